// Attaching and detaching handlers, common filters, posting checks and what
// the looper reports when it is used without its lock.
#include "tests/harness/DebuggerSeam.h"
#include "tests/messaging/LooperTestSupport.h"

#include "messaging/DirectMessageTarget.h"
#include "messaging/MessageFilter.h"
#include "messaging/Messenger.h"
#include "support/List.h"

#include <gtest/gtest.h>

using zeltest::RecordingHandler;
using zeltest::RunOnOtherThread;
using zeltest::TakeDebuggerReports;
using zeltest::WatchedLooper;

namespace {

bool HasDirectTarget(const BHandler& handler)
{
	BPrivate::BDirectMessageTarget* target = gDefaultTokens.GetTokenTarget(handler.Token());
	if (target == nullptr)
		return false;
	target->Release();
	return true;
}

// Counts its own destruction.
class CountedFilter : public MessageFilter {
public:
	explicit CountedFilter(int* destroyed) : MessageFilter(FourCC("filt")), fDestroyed(destroyed) {}
	~CountedFilter() override { ++*fDestroyed; }

private:
	int* fDestroyed;
};

}  // namespace

TEST(LooperHandlers, TheLooperIsItsOwnFirstHandler)
{
	BLooper* looper = new BLooper("self");
	EXPECT_EQ(looper->CountHandlers(), 1);
	EXPECT_EQ(looper->HandlerAt(0), looper);
	EXPECT_EQ(looper->IndexOf(looper), 0);
	EXPECT_EQ(looper->Looper(), looper);
	EXPECT_EQ(looper->NextHandler(), nullptr);
	EXPECT_TRUE(HasDirectTarget(*looper));
	looper->Quit();
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperHandlers, AddedHandlerIsChainedToTheLooperAndAddressable)
{
	BLooper* looper = new BLooper("adding");
	RecordingHandler handler("h");
	EXPECT_FALSE(HasDirectTarget(handler));
	looper->AddHandler(&handler);
	EXPECT_EQ(handler.Looper(), looper);
	EXPECT_EQ(handler.NextHandler(), looper);
	EXPECT_TRUE(handler.Validity()->IsValid());
	EXPECT_EQ(looper->IndexOf(&handler), 1);
	EXPECT_EQ(looper->HandlerAt(1), &handler);
	EXPECT_EQ(looper->HandlerAt(2), nullptr);
	EXPECT_EQ(looper->CountHandlers(), 2);
	EXPECT_TRUE(HasDirectTarget(handler));

	EXPECT_TRUE(looper->RemoveHandler(&handler));
	EXPECT_EQ(handler.Looper(), nullptr);
	EXPECT_EQ(handler.NextHandler(), nullptr);
	EXPECT_FALSE(handler.Validity()->IsValid());
	EXPECT_FALSE(HasDirectTarget(handler));
	EXPECT_EQ(looper->IndexOf(&handler), -1);
	EXPECT_FALSE(looper->RemoveHandler(&handler));
	looper->Quit();
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperHandlers, AHandlerBelongsToOneLooperAtATime)
{
	BLooper* first = new BLooper("first");
	BLooper* second = new BLooper("second");
	RecordingHandler handler;
	first->AddHandler(&handler);
	second->AddHandler(&handler);
	EXPECT_EQ(TakeDebuggerReports(), std::vector<std::string>{"can't add same handler to 2 loopers\n"});
	EXPECT_EQ(handler.Looper(), first);
	EXPECT_EQ(second->CountHandlers(), 1);
	EXPECT_FALSE(second->RemoveHandler(&handler));
	EXPECT_EQ(handler.Looper(), first);

	BMessage message(FourCC("othr"));
	EXPECT_EQ(second->Post(&message, &handler), kMismatchedValues);
	RecordingHandler detached;
	EXPECT_EQ(second->Post(&message, &detached), kMismatchedValues);
	EXPECT_EQ(second->Post(nullptr), kBadValue);
	second->Quit();
	first->Quit();
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperHandlers, RemovingThePreferredHandlerClearsIt)
{
	WatchedLooper* looper = new WatchedLooper();
	RecordingHandler handler;
	looper->AddHandler(&handler);
	looper->SetPreferredHandler(&handler);
	EXPECT_EQ(looper->PreferredHandler(), &handler);
	looper->RemoveHandler(&handler);
	EXPECT_EQ(looper->PreferredHandler(), nullptr);
	looper->Quit();
}

TEST(LooperHandlers, DestructionDetachesEveryRemainingHandler)
{
	BLooper* looper = new BLooper("owner");
	RecordingHandler a;
	RecordingHandler b;
	looper->AddHandler(&a);
	looper->AddHandler(&b);
	BMessenger toA(&a, looper);
	EXPECT_TRUE(toA.IsValid());
	looper->Quit();
	EXPECT_EQ(a.Looper(), nullptr);
	EXPECT_EQ(b.Looper(), nullptr);
	EXPECT_FALSE(HasDirectTarget(a));
	EXPECT_FALSE(HasDirectTarget(b));
	BMessage message(FourCC("late"));
	EXPECT_EQ(toA.Send(&message), kBadTarget);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperHandlers, CallsWithoutTheLockAreReported)
{
	BLooper* looper = new BLooper("unlocked use");
	RecordingHandler handler;
	looper->AddHandler(&handler);
	int destroyed = 0;
	CountedFilter* filter = new CountedFilter(&destroyed);
	bool removed = true;
	EXPECT_TRUE(RunOnOtherThread([&] {
		looper->IndexOf(&handler);
		looper->HandlerAt(0);
		looper->CountHandlers();
		looper->AddCommonFilter(filter);
		removed = looper->RemoveCommonFilter(filter);
		looper->SetCommonFilterList(nullptr);
	}));
	EXPECT_EQ(TakeDebuggerReports(), (std::vector<std::string>{
		"Looper must be locked before calling IndexOf.\n",
		"Looper must be locked before calling HandlerAt.\n",
		"Looper must be locked before calling CountHandlers.\n",
		"Owning Looper must be locked before calling AddCommonFilter",
		"Owning Looper must be locked before calling RemoveCommonFilter",
		"Owning Looper must be locked before calling SetCommonFilterList",
	}));
	EXPECT_FALSE(removed);
	EXPECT_EQ(looper->CommonFilterList(), nullptr);
	EXPECT_EQ(filter->Looper(), nullptr);

	// Adding and removing handlers go on after the report.
	RecordingHandler other;
	EXPECT_TRUE(RunOnOtherThread([&] {
		looper->AddHandler(&other);
		looper->RemoveHandler(&handler);
	}));
	// The handler's own check of its next handler reports as well.
	EXPECT_EQ(TakeDebuggerReports(), (std::vector<std::string>{
		"Looper must be locked before calling AddHandler.\n",
		"The handler's looper must be locked before setting NextHandler",
		"Looper must be locked before calling RemoveHandler.\n",
		"The handler's looper must be locked before setting NextHandler",
	}));
	EXPECT_EQ(other.Looper(), looper);
	EXPECT_EQ(handler.Looper(), nullptr);
	looper->Quit();
	delete filter;
	EXPECT_EQ(destroyed, 1);
}

TEST(LooperCommonFilters, AFilterServesOneListAndDiesWithIt)
{
	BLooper* first = new BLooper("filters");
	BLooper* second = new BLooper("more filters");
	int destroyed = 0;
	CountedFilter* filter = new CountedFilter(&destroyed);
	first->AddCommonFilter(filter);
	EXPECT_EQ(filter->Looper(), first);
	ASSERT_NE(first->CommonFilterList(), nullptr);
	EXPECT_EQ(first->CommonFilterList()->CountItems(), 1);
	second->AddCommonFilter(filter);
	EXPECT_EQ(TakeDebuggerReports(), std::vector<std::string>{"A MessageFilter can only be used once."});
	EXPECT_EQ(second->CommonFilterList(), nullptr);
	EXPECT_FALSE(second->RemoveCommonFilter(filter));

	EXPECT_TRUE(first->RemoveCommonFilter(filter));
	EXPECT_EQ(filter->Looper(), nullptr);
	EXPECT_FALSE(first->RemoveCommonFilter(filter));
	second->AddCommonFilter(filter);
	EXPECT_EQ(filter->Looper(), second);

	// A new list replaces the old one, whose filters are destroyed.
	BList* list = new BList();
	CountedFilter* replacement = new CountedFilter(&destroyed);
	list->AddItem(replacement);
	second->SetCommonFilterList(list);
	EXPECT_EQ(destroyed, 1);
	EXPECT_EQ(second->CommonFilterList(), list);
	EXPECT_EQ(replacement->Looper(), second);
	second->Quit();
	EXPECT_EQ(destroyed, 2);
	first->Quit();
	EXPECT_TRUE(TakeDebuggerReports().empty());
}
