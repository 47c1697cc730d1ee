// Observers: start and stop requests, notices with and without a message,
// the all-codes entry, and observers that are gone.
#include "messaging/Handler.h"
#include "messaging/Messenger.h"
#include "messaging/ObserverList.h"
#include "tests/messaging/ProbeHandler.h"

#include <gtest/gtest.h>

using BPrivate::_ObserverList;
using zeltest::LiveLooper;
using zeltest::ProbeHandler;

namespace {

constexpr uint32 kDone = FourCC("DONE");

BMessage ObserveRequest(uint32 command, const BMessenger& observer, uint32 what)
{
	BMessage request(command);
	EXPECT_EQ(request.AddMessenger(kObserveTargetField, observer), kOk);
	EXPECT_EQ(request.AddInt32(kObserveChangeField, static_cast<int32>(what)), kOk);
	return request;
}

// An observed handler on one looper, an observer on another. The observed
// handler takes its requests through BHandler's own handling.
class ObserverBench {
public:
	ObserverBench() : fObservedLooper({&fObserved}, "observed"), fObserverLooper({&fObserver}, "observer")
	{
		fObserved.fProbe = [this](BMessage* message) { fObserved.BHandler::HandleMessage(message); };
	}

	// Sends a request and waits until the observed handler has taken it.
	void Request(uint32 command, uint32 what)
	{
		BMessage request = ObserveRequest(command, BMessenger(&fObserver, nullptr), what);
		EXPECT_EQ(BMessenger(&fObserved, nullptr).Send(&request), kOk);
		EXPECT_TRUE(fObserved.WaitFor(++fRequests));
	}
	// Notices are sent while the call runs, with the looper locked.
	void Notify(uint32 what, const BMessage* message)
	{
		ASSERT_TRUE(fObservedLooper.Get()->Lock());
		fObserved.NotifyObservers(what, message);
		fObservedLooper.Get()->Unlock();
	}
	// Every notice sent so far, up to a 'DONE' sent after them.
	std::vector<uint32> Received()
	{
		BMessage done(kDone);
		EXPECT_EQ(BMessenger(&fObserver, nullptr).Send(&done), kOk);
		std::vector<uint32> codes;
		for (size_t count = fReceived + 1; fObserver.WaitFor(count); count++) {
			if (fObserver.MessageAt(count - 1).what == kDone)
				break;
			codes.push_back(fObserver.MessageAt(count - 1).what);
		}
		fReceived = fObserver.Codes().size();
		return codes;
	}

	ProbeHandler fObserved{"observed"};
	ProbeHandler fObserver{"observer"};

private:
	LiveLooper fObservedLooper;
	LiveLooper fObserverLooper;
	size_t fRequests = 0;
	size_t fReceived = 0;
};

}  // namespace

TEST(Observers, ANoticeCarriesTheChangeAndTheMessageItWasBuiltFrom)
{
	ObserverBench bench;
	bench.Request(kStartObserving, 5);
	BMessage change(FourCC("chng"));
	EXPECT_EQ(change.AddInt32("value", 9), kOk);
	bench.Notify(5, &change);
	bench.Notify(6, &change);
	bench.Notify(5, nullptr);
	ASSERT_EQ(bench.Received(), (std::vector<uint32>{kObserverNotice, kObserverNotice}));

	BMessage built = bench.fObserver.MessageAt(0);
	EXPECT_EQ(built.Int32At(kObserveChangeField, 0), 5);
	EXPECT_EQ(static_cast<uint32>(built.Int32At(kObserveOriginalField, 0)), FourCC("chng"));
	EXPECT_EQ(built.Int32At("value", 0), 9);
	BMessage bare = bench.fObserver.MessageAt(1);
	EXPECT_EQ(bare.Int32At(kObserveChangeField, 0), 5);
	EXPECT_EQ(bare.FieldCount(), 1);
	// The message the notice was built from is unchanged.
	EXPECT_EQ(change.what, FourCC("chng"));
	EXPECT_EQ(change.FieldCount(), 1);
}

TEST(Observers, AllCodesAddToTheCodesOwnObserversUntilStopped)
{
	ObserverBench bench;
	bench.Request(kStartObserving, 5);
	bench.Request(kStartObserving, kObserveAllCodes);
	bench.Notify(5, nullptr);
	EXPECT_EQ(bench.Received().size(), 2u);
	bench.Notify(7, nullptr);
	EXPECT_EQ(bench.Received().size(), 1u);
	// A notice for the all-codes value itself reaches its observers once.
	bench.Notify(kObserveAllCodes, nullptr);
	EXPECT_EQ(bench.Received().size(), 1u);

	bench.Request(kStopObserving, 5);
	bench.Notify(5, nullptr);
	EXPECT_EQ(bench.Received().size(), 1u);
	bench.Request(kStopObserving, kObserveAllCodes);
	bench.Notify(5, nullptr);
	EXPECT_TRUE(bench.Received().empty());
}

TEST(Observers, ARequestWithoutObserverOrCodeMeansNothingOrCodeZero)
{
	ObserverBench bench;
	BMessage withoutObserver(kStartObserving);
	EXPECT_EQ(withoutObserver.AddInt32(kObserveChangeField, 3), kOk);
	EXPECT_EQ(BMessenger(&bench.fObserved, nullptr).Send(&withoutObserver), kOk);
	BMessage withoutCode(kStartObserving);
	EXPECT_EQ(withoutCode.AddMessenger(kObserveTargetField, BMessenger(&bench.fObserver, nullptr)), kOk);
	EXPECT_EQ(BMessenger(&bench.fObserved, nullptr).Send(&withoutCode), kOk);
	ASSERT_TRUE(bench.fObserved.WaitFor(2));
	bench.Notify(3, nullptr);
	bench.Notify(0, nullptr);
	std::vector<uint32> codes = bench.Received();
	ASSERT_EQ(codes.size(), 1u);
	EXPECT_EQ(bench.fObserver.MessageAt(0).Int32At(kObserveChangeField, 0), 0);
}

TEST(ObserverList, ObserversThatAreGoneAreDroppedAtTheNextNotice)
{
	ProbeHandler kept("kept");
	ProbeHandler stranded("stranded");
	_ObserverList list;
	{
		LiveLooper looper({&kept}, "kept");
		{
			// Destroyed while its looper runs on.
			ProbeHandler doomed("doomed");
			ASSERT_TRUE(looper.Get()->Lock());
			looper.Get()->AddHandler(&doomed);
			looper.Get()->Unlock();
			list.Add(BMessenger(&doomed, nullptr), 5);
		}
		BMessenger toGoneLooper;
		{
			// Outlives its looper.
			LiveLooper other({&stranded}, "other");
			list.Add(BMessenger(&stranded, nullptr), 5);
			toGoneLooper = BMessenger(nullptr, other.Get());
		}
		list.Add(BMessenger(&kept, nullptr), 5);
		// A looper-only messenger names no handler; it lives with its looper.
		list.Add(BMessenger(nullptr, looper.Get()), 5);
		list.Add(toGoneLooper, 5);
		EXPECT_EQ(list.CountObservers(5), 5);
		list.Notify(5, nullptr);
		EXPECT_EQ(list.CountObservers(5), 2);
		ASSERT_TRUE(kept.WaitFor(1));
		EXPECT_EQ(kept.Codes(), (std::vector<uint32>{kObserverNotice}));
	}
	list.Notify(5, nullptr);
	EXPECT_EQ(list.CountObservers(5), 0);
	EXPECT_EQ(list.CountObservers(6), 0);
}
