// The handler's scripting suite and what becomes of messages it does not
// take: requests go to a handler on a running looper, with a collector on
// another looper as their return address.
#include "messaging/Handler.h"
#include "messaging/MessageFilter.h"
#include "messaging/Messenger.h"
#include "messaging/PropertyInfo.h"
#include "tests/messaging/ProbeHandler.h"

#include <gtest/gtest.h>

#include <cstring>

using zeltest::LiveLooper;
using zeltest::MakeScriptRequest;
using zeltest::ProbeHandler;
using zeltest::TextOf;

namespace {


// A plain handler named "abc" beside a collector for the answers.
class ScriptBench {
public:
	ScriptBench() : fLooper({&fTarget}, "scripted"), fCollectorLooper({&fCollector}, "collector") {}

	// Sends `request` to the target and waits for the `count`-th answer.
	BMessage Ask(BMessage* request, size_t count = 1)
	{
		EXPECT_EQ(BMessenger(&fTarget, nullptr).Send(request, &fCollector), kOk);
		if (!fCollector.WaitFor(count))
			return BMessage();
		return fCollector.MessageAt(count - 1);
	}

	BHandler fTarget{"abc"};
	ProbeHandler fCollector{"collector"};

private:
	LiveLooper fLooper;
	LiveLooper fCollectorLooper;
};

}  // namespace

TEST(HandlerScripting, AGetWithoutSpecifiersAnswersTheHandlersMessenger)
{
	ScriptBench bench;
	BMessage request(kGetProperty);
	BMessage reply = bench.Ask(&request);
	EXPECT_EQ(reply.what, kReplyCode);
	BMessenger result;
	ASSERT_EQ(reply.GetMessenger("result", &result), kOk);
	EXPECT_TRUE(result == BMessenger(&bench.fTarget, nullptr));
	EXPECT_EQ(result.Target(nullptr), &bench.fTarget);
	int32 error = -1;
	EXPECT_EQ(reply.GetInt32("error", &error), kOk);
	EXPECT_EQ(error, kOk);
}

TEST(HandlerScripting, PropertiesOfTheHandlerTable)
{
	ScriptBench bench;
	BMessage byName = MakeScriptRequest(kGetProperty, {{kDirectSpecifier, "InternalName", 0}});
	BMessage reply = bench.Ask(&byName, 1);
	EXPECT_EQ(reply.what, kReplyCode);
	EXPECT_EQ(TextOf(reply, "result"), "abc");
	EXPECT_EQ(reply.Int32At("error", 0), kOk);

	BMessage messenger = MakeScriptRequest(kGetProperty, {{kDirectSpecifier, "Messenger", 0}});
	reply = bench.Ask(&messenger, 2);
	BMessenger result;
	ASSERT_EQ(reply.GetMessenger("result", &result), kOk);
	EXPECT_EQ(result.Target(nullptr), &bench.fTarget);

	// Suites by property and by the suites command answer alike.
	BMessage suites = MakeScriptRequest(kGetProperty, {{kDirectSpecifier, "Suites", 0}});
	BMessage plain(kGetSuites);
	BMessage answers[2] = {bench.Ask(&suites, 3), bench.Ask(&plain, 4)};
	for (const BMessage& answer : answers) {
		EXPECT_EQ(answer.what, kReplyCode);
		EXPECT_EQ(TextOf(answer, "suites"), "suite/vnd.Be-handler");
		EXPECT_EQ(answer.Int32At("error", 0), kOk);
		const void* data;
		int32 size;
		ASSERT_EQ(answer.GetData("messages", kPropertyInfoType, 0, &data, &size), kOk);
		ASSERT_GT(size, 5);
		const uint8* bytes = static_cast<const uint8*>(data);
		EXPECT_EQ(bytes[0], 0);
		int32 count;
		std::memcpy(&count, bytes + 1, 4);
		EXPECT_EQ(count, 3);
		BPropertyInfo info;
		ASSERT_EQ(info.Unflatten(kPropertyInfoType, data, size), kOk);
		ASSERT_EQ(info.CountProperties(), 3);
		EXPECT_STREQ(info.Properties()[2].name, "InternalName");
	}
}

TEST(HandlerScripting, AnUnknownPropertyIsNotUnderstood)
{
	ScriptBench bench;
	BMessage request = MakeScriptRequest(kGetProperty, {{kDirectSpecifier, "Colour", 0}});
	BMessage reply = bench.Ask(&request);
	EXPECT_EQ(reply.what, kNotUnderstood);
	EXPECT_EQ(TextOf(reply, "message"), "Didn't understand the specifier(s)");
	EXPECT_EQ(reply.Int32At("error", 0), kBadScriptRequest);

	// Resolving directly answers the handler for what its table knows.
	BMessage known = MakeScriptRequest(kGetProperty, {{kDirectSpecifier, "Suites", 0}});
	BMessage specifier;
	EXPECT_EQ(bench.fTarget.ResolveSpecifier(&known, 0, &specifier, kDirectSpecifier, "Suites"), &bench.fTarget);
}

TEST(HandlerUnclaimed, ADropNobodyTakesGoesBackWithItsPointAndOffset)
{
	ScriptBench bench;
	BMessage drop(FourCC("drag"));
	EXPECT_EQ(drop.AddPoint("be:drop pt", BPoint(12.0f, 34.0f)), kOk);
	BMessage reply = bench.Ask(&drop, 1);
	EXPECT_EQ(reply.what, kNotUnderstood);
	BPoint point;
	ASSERT_EQ(reply.GetPoint("_old_drop_point_", &point), kOk);
	EXPECT_EQ(point, BPoint(12.0f, 34.0f));
	ASSERT_EQ(reply.GetPoint("_old_drop_offset_", &point), kOk);
	EXPECT_EQ(point, BPoint(0.0f, 0.0f));
	// The answer names the handler the message was dropped on.
	BPrivate::BMessageRecord record = bench.fCollector.RecordAt(0);
	EXPECT_EQ(record.replyHandler, bench.fTarget.Token());

	EXPECT_EQ(drop.AddPoint("_drop_offset_", BPoint(-1.0f, 2.0f)), kOk);
	reply = bench.Ask(&drop, 2);
	ASSERT_EQ(reply.GetPoint("_old_drop_offset_", &point), kOk);
	EXPECT_EQ(point, BPoint(-1.0f, 2.0f));

	// An unanswered answer is not answered again; the message after it
	// proves that nothing came before.
	BMessage notUnderstood(kNotUnderstood);
	EXPECT_EQ(notUnderstood.AddPoint("be:drop pt", BPoint(1.0f, 1.0f)), kOk);
	EXPECT_EQ(BMessenger(&bench.fTarget, nullptr).Send(&notUnderstood, &bench.fCollector), kOk);
	BMessage understood(kGetProperty);
	EXPECT_EQ(bench.Ask(&understood, 3).what, kReplyCode);
}

TEST(HandlerUnclaimed, TheNextHandlerGetsWhatTheHandlerLeavesThroughItsFilters)
{
	BHandler first("first");
	ProbeHandler next("next");
	LiveLooper looper({&first, &next}, "chain");
	ASSERT_TRUE(looper.Get()->Lock());
	first.SetNextHandler(&next);
	next.AddFilter(new MessageFilter(FourCC("skip"), [](BMessage*, BHandler**, MessageFilter*) {
		return kSkipMessage;
	}));
	looper.Get()->Unlock();

	BMessenger toFirst(&first, nullptr);
	BMessage skipped(FourCC("skip"));
	BMessage passed(FourCC("pass"));
	EXPECT_EQ(toFirst.Send(&skipped), kOk);
	EXPECT_EQ(toFirst.Send(&passed), kOk);
	ASSERT_TRUE(next.WaitFor(1));
	EXPECT_EQ(next.Codes(), (std::vector<uint32>{FourCC("pass")}));
	// It is still the message sent to the first handler.
	EXPECT_EQ(next.RecordAt(0).target, first.Token());
	looper.Quit();
}
