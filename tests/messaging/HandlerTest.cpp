// BHandler: token, name and archive, the validity atom, the misuse checks of
// next handler and filters, and detaching on destruction.
#include "messaging/Handler.h"
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "messaging/MessageFilter.h"
#include "messaging/Messenger.h"
#include "support/List.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/messaging/LooperTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using zeltest::TakeDebuggerReports;
using zeltest::WatchedLooper;

namespace {

// Counts its destructions, so that a filter destroyed twice or never shows.
class CountedFilter : public MessageFilter {
public:
	explicit CountedFilter(int* destroyed) : MessageFilter(FourCC("cntd")), fDestroyed(destroyed) {}
	~CountedFilter() override { ++*fDestroyed; }

private:
	int* fDestroyed;
};

// A looper that never runs; the test thread holds its lock from the start.
class IdleLooper {
public:
	IdleLooper() : fLooper(new WatchedLooper("idle")) {}
	~IdleLooper()
	{
		if (!fLooper->IsLocked())
			fLooper->Lock();
		fLooper->Quit();
	}
	IdleLooper(const IdleLooper&) = delete;
	IdleLooper& operator=(const IdleLooper&) = delete;

	BLooper* operator->() { return fLooper; }
	BLooper* Get() { return fLooper; }

private:
	WatchedLooper* fLooper;
};

}  // namespace

TEST(HandlerIdentity, TheTokenNamesTheHandlerUntilItIsDestroyed)
{
	token_t token;
	{
		BHandler handler("named");
		token = handler.Token();
		void* object = nullptr;
		ASSERT_EQ(gDefaultTokens.GetToken(token, kHandlerTokenType, &object), kOk);
		EXPECT_EQ(object, &handler);
		EXPECT_TRUE(handler.Name() == "named");
		EXPECT_EQ(handler.Looper(), nullptr);
		EXPECT_EQ(handler.NextHandler(), nullptr);
		EXPECT_EQ(handler.FilterList(), nullptr);
	}
	EXPECT_FALSE(gDefaultTokens.CheckToken(token));

	BHandler unnamed;
	EXPECT_TRUE(unnamed.Name().IsEmpty());
	BHandler fromString(BString("text"));
	EXPECT_TRUE(fromString.Name() == "text");
	EXPECT_NE(unnamed.Token(), fromString.Token());
}

TEST(HandlerIdentity, OnlyANamedHandlerArchivesItsName)
{
	BHandler named("abc");
	BMessage archive;
	ASSERT_EQ(named.Archive(&archive), kOk);
	BString name;
	ASSERT_EQ(archive.GetText("_name", &name), kOk);
	EXPECT_TRUE(name == "abc");

	BHandler unnamed;
	BMessage empty;
	ASSERT_EQ(unnamed.Archive(&empty), kOk);
	EXPECT_EQ(empty.FieldCount(), 0);
}

TEST(HandlerValidity, TheAtomFollowsTheLooperAndOutlivesTheHandler)
{
	sptr<BHandler::ValidAtom> atom;
	{
		IdleLooper looper;
		BHandler handler("watched");
		atom = handler.Validity();
		ASSERT_TRUE(atom);
		EXPECT_TRUE(atom->IsValid());
		looper->AddHandler(&handler);
		EXPECT_TRUE(atom->IsValid());
		EXPECT_EQ(handler.Looper(), looper.Get());
		looper->RemoveHandler(&handler);
		EXPECT_FALSE(atom->IsValid());
		looper->AddHandler(&handler);
		EXPECT_TRUE(atom->IsValid());
	}
	// The handler detached itself as it was destroyed; the atom stays readable
	// for whoever kept it.
	EXPECT_FALSE(atom->IsValid());
	EXPECT_EQ(atom->StrongCount(), 1);
}

TEST(HandlerNextHandler, MisuseIsReportedAndChangesNothing)
{
	TakeDebuggerReports();
	BHandler loose("loose");
	BHandler other("other");
	loose.SetNextHandler(&other);
	EXPECT_EQ(loose.NextHandler(), nullptr);

	IdleLooper first;
	IdleLooper second;
	BHandler a("a");
	BHandler b("b");
	first->AddHandler(&a);
	second->AddHandler(&b);
	// Attaching makes the looper the next handler.
	EXPECT_EQ(a.NextHandler(), first.Get());
	a.SetNextHandler(&b);
	EXPECT_EQ(a.NextHandler(), first.Get());

	first->Unlock();
	a.SetNextHandler(nullptr);
	EXPECT_EQ(a.NextHandler(), first.Get());
	ASSERT_TRUE(first->Lock());

	BHandler c("c");
	first->AddHandler(&c);
	a.SetNextHandler(&c);
	EXPECT_EQ(a.NextHandler(), &c);
	EXPECT_EQ(TakeDebuggerReports(), (std::vector<std::string>{
		"handler must belong to looper before setting NextHandler",
		"The handler and it's NextHandler must have the same looper",
		"The handler's looper must be locked before setting NextHandler",
	}));
	first->RemoveHandler(&c);
	first->RemoveHandler(&a);
	second->RemoveHandler(&b);
}

TEST(HandlerFilters, AFilterServesOneListAndFollowsItsHandlersLooper)
{
	TakeDebuggerReports();
	int destroyed = 0;
	IdleLooper looper;
	BHandler first("first");
	BHandler second("second");
	looper->AddHandler(&first);
	looper->AddHandler(&second);

	CountedFilter* filter = new CountedFilter(&destroyed);
	first.AddFilter(filter);
	EXPECT_EQ(filter->Looper(), looper.Get());
	second.AddFilter(filter);
	EXPECT_EQ(second.FilterList(), nullptr);
	EXPECT_EQ(TakeDebuggerReports(), (std::vector<std::string>{"A MessageFilter can only be used once."}));

	// Detaching the handler detaches its filters, which may then be used again.
	looper->RemoveHandler(&first);
	EXPECT_EQ(filter->Looper(), nullptr);
	looper->AddHandler(&first);
	EXPECT_EQ(filter->Looper(), looper.Get());

	EXPECT_TRUE(first.RemoveFilter(filter));
	EXPECT_EQ(filter->Looper(), nullptr);
	EXPECT_FALSE(first.RemoveFilter(filter));
	second.AddFilter(filter);
	ASSERT_NE(second.FilterList(), nullptr);
	EXPECT_EQ(second.FilterList()->CountItems(), 1);
	EXPECT_TRUE(TakeDebuggerReports().empty());

	looper->RemoveHandler(&first);
	looper->RemoveHandler(&second);
	EXPECT_EQ(destroyed, 0);
}

TEST(HandlerFilters, ChangesWithoutTheLooperLockAreReported)
{
	TakeDebuggerReports();
	int destroyed = 0;
	IdleLooper looper;
	BHandler handler("h");
	looper->AddHandler(&handler);
	CountedFilter* kept = new CountedFilter(&destroyed);
	handler.AddFilter(kept);
	looper->Unlock();

	CountedFilter refused(&destroyed);
	handler.AddFilter(&refused);
	EXPECT_FALSE(handler.RemoveFilter(kept));
	BList* replacement = new BList;
	handler.SetFilterList(replacement);
	EXPECT_EQ(TakeDebuggerReports(), (std::vector<std::string>{
		"Owning Looper must be locked before calling AddFilter",
		"Owning Looper must be locked before calling RemoveFilter",
		"Owning Looper must be locked before calling SetFilterList",
	}));
	EXPECT_EQ(handler.FilterList()->CountItems(), 1);
	EXPECT_EQ(refused.Looper(), nullptr);

	ASSERT_TRUE(looper->Lock());
	handler.SetFilterList(replacement);
	EXPECT_EQ(handler.FilterList(), replacement);
	EXPECT_EQ(destroyed, 1);
	looper->RemoveHandler(&handler);
}

TEST(HandlerFilters, ADetachedHandlerNeedsNoLockAndDestroysItsFilters)
{
	TakeDebuggerReports();
	int destroyed = 0;
	{
		BHandler handler("free");
		handler.AddFilter(new CountedFilter(&destroyed));
		BList* list = new BList;
		list->AddItem(new CountedFilter(&destroyed));
		list->AddItem(new CountedFilter(&destroyed));
		handler.SetFilterList(list);
		EXPECT_EQ(destroyed, 1);
		EXPECT_EQ(handler.FilterList()->CountItems(), 2);
	}
	EXPECT_EQ(destroyed, 3);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(HandlerLifetime, DestroyingAnAttachedHandlerDetachesItFirst)
{
	IdleLooper looper;
	BMessenger messenger;
	{
		BHandler handler("short-lived");
		looper->AddHandler(&handler);
		messenger = BMessenger(&handler, nullptr);
		EXPECT_EQ(looper->CountHandlers(), 2);
		BMessage message(FourCC("live"));
		EXPECT_EQ(messenger.Send(&message), kOk);
	}
	EXPECT_EQ(looper->CountHandlers(), 1);
	BMessage message(FourCC("dead"));
	EXPECT_EQ(messenger.Send(&message), kBadTarget);
	EXPECT_EQ(messenger.Target(nullptr), nullptr);
}
