// BGatedPool with its real worker thread: the merge and service passes,
// removal, Clear, and quitting from sleep.
#include "support/GatedPool.h"

#include "kernel/Thread.h"
#include "kernel/ThreadRecord.h"

#include "tests/support/Actor.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace {

using zeltest::Actor;
using zeltest::WaitUntil;
using zeltest::kBlockedFor;

// Owners report their death, so a test sees when a node dropped its owner.
class Owner : public BAtom {
public:
	explicit Owner(std::atomic<int>* destroyed)
		: fDestroyed(destroyed)
	{
	}
	~Owner() override { *fDestroyed += 1; }

private:
	std::atomic<int>* fDestroyed;
};

struct ServiceLog {
	std::mutex mutex;
	std::vector<int> order;
	std::string threadName;
	int priority = 0;

	void Add(int id)
	{
		std::lock_guard<std::mutex> lock(mutex);
		order.push_back(id);
	}
	std::vector<int> Order()
	{
		std::lock_guard<std::mutex> lock(mutex);
		return order;
	}
};

class CountingNode : public BGatedPoolNode {
public:
	CountingNode(ServiceLog* log, int id, BAtom* owner = nullptr)
		: BGatedPoolNode(owner), fLog(log), fId(id)
	{
	}

	// How many more times Service() answers "still pending".
	std::atomic<int> againFor{0};
	std::atomic<int> calls{0};
	// Set to remove itself from within its own service.
	BGatedPool* removeFrom = nullptr;

	bool Service() override
	{
		ThreadRecord* record = RecordForThread(-1);
		if (record != nullptr && record->fName != nullptr)
			fLog->threadName = record->fName;
		fLog->priority = GetThreadPriority(GetCurrentThread());
		fLog->Add(fId);
		calls += 1;
		if (removeFrom != nullptr)
			removeFrom->MarkRemoved(this);
		if (againFor > 0) {
			againFor -= 1;
			return true;
		}
		return false;
	}

private:
	ServiceLog* fLog;
	int fId;
};

class RefusingPool : public BGatedPool {
protected:
	status_t PrepareRun() override { return kNotAllowed; }
};

// Drops the last reference on another thread, so that a destructor that never
// returns fails the test instead of hanging it.
bool ReleasesInTime(sptr<BGatedPool>& pool)
{
	Actor releaser;
	return releaser.Call([&] {
		pool.Clear();
		return true;
	});
}

TEST(GatedPool, WorkerServicesPendingNodesUntilTheyAreDone)
{
	ServiceLog log;
	sptr<BGatedPool> pool(new BGatedPool);
	ASSERT_EQ(pool->Run(nullptr), kOk);
	sptr<CountingNode> node(new CountingNode(&log, 1));
	ASSERT_EQ(pool->AddNode(node.Get()), kOk);
	ASSERT_TRUE(WaitUntil([&] { return node->calls == 1; }));
	EXPECT_EQ(log.threadName, "ZEL Gated Pool");
	EXPECT_EQ(log.priority, 2);

	// Done: not serviced again until marked pending.
	Sleep(static_cast<DWORD>(kBlockedFor.count()));
	EXPECT_EQ(node->calls, 1);
	node->againFor = 2;
	pool->MarkPending(node.Get());
	ASSERT_TRUE(WaitUntil([&] { return node->calls == 4; }));
	Sleep(static_cast<DWORD>(kBlockedFor.count()));
	EXPECT_EQ(node->calls, 4);
	EXPECT_TRUE(ReleasesInTime(pool));
}

TEST(GatedPool, MergedNodesKeepTheirOrder)
{
	ServiceLog log;
	sptr<BGatedPool> pool(new BGatedPool);
	std::vector<sptr<CountingNode>> nodes;
	for (int id = 1; id <= 5; ++id)
		nodes.push_back(new CountingNode(&log, id));
	// Handed in before the worker runs: all wait on the add list.
	for (int i = 0; i < 3; ++i)
		ASSERT_EQ(pool->AddNode(nodes[i].Get()), kOk);
	ASSERT_EQ(pool->Run("LockTest pool"), kOk);
	ASSERT_TRUE(WaitUntil([&] { return log.Order().size() == 3; }));
	EXPECT_EQ(log.threadName, "LockTest pool");
	ASSERT_EQ(pool->AddNode(nodes[3].Get()), kOk);
	ASSERT_EQ(pool->AddNode(nodes[4].Get()), kOk);
	ASSERT_TRUE(WaitUntil([&] { return log.Order().size() == 5; }));
	// Everyone pending again: one pass walks the merged main list front to back.
	for (sptr<CountingNode>& node : nodes)
		pool->MarkPending(node.Get());
	ASSERT_TRUE(WaitUntil([&] { return log.Order().size() == 10; }));
	EXPECT_EQ(log.Order(), (std::vector<int>{1, 2, 3, 4, 5, 1, 2, 3, 4, 5}));
	EXPECT_TRUE(ReleasesInTime(pool));
}

TEST(GatedPool, RemovedNodesLeaveAfterTheirLastService)
{
	ServiceLog log;
	std::atomic<int> ownersGone{0};
	sptr<BGatedPool> pool(new BGatedPool);
	ASSERT_EQ(pool->Run(nullptr), kOk);

	// Marked removed while it is being serviced: unlinked in that same pass.
	sptr<CountingNode> leaving(new CountingNode(&log, 1, new Owner(&ownersGone)));
	leaving->againFor = 100;  // would be called again if it stayed
	leaving->removeFrom = pool.Get();
	ASSERT_EQ(pool->AddNode(leaving.Get()), kOk);
	ASSERT_TRUE(WaitUntil([&] { return ownersGone == 1; }));
	EXPECT_TRUE(WaitUntil([&] { return leaving->StrongCount() == 1; }));  // the pool let go of it
	Sleep(static_cast<DWORD>(kBlockedFor.count()));
	EXPECT_EQ(leaving->calls, 1);

	// Removed while idle: unlinked without a service; its neighbours stay.
	sptr<CountingNode> first(new CountingNode(&log, 2, new Owner(&ownersGone)));
	sptr<CountingNode> idle(new CountingNode(&log, 3, new Owner(&ownersGone)));
	sptr<CountingNode> last(new CountingNode(&log, 4, new Owner(&ownersGone)));
	for (CountingNode* node : {first.Get(), idle.Get(), last.Get()})
		ASSERT_EQ(pool->AddNode(node), kOk);
	ASSERT_TRUE(WaitUntil([&] { return first->calls == 1 && idle->calls == 1 && last->calls == 1; }));
	pool->MarkRemoved(idle.Get());
	ASSERT_TRUE(WaitUntil([&] { return ownersGone == 2; }));
	// The pool clears a node's owner before it unlinks the node.
	EXPECT_TRUE(WaitUntil([&] { return idle->StrongCount() == 1; }));
	EXPECT_EQ(idle->calls, 1);
	pool->MarkPending(last.Get());
	ASSERT_TRUE(WaitUntil([&] { return last->calls == 2; }));
	EXPECT_EQ(first->calls, 1);

	pool->Clear();
	EXPECT_EQ(ownersGone, 4);
	EXPECT_EQ(first->StrongCount(), 1);
	EXPECT_EQ(last->StrongCount(), 1);
	EXPECT_TRUE(ReleasesInTime(pool));
}

TEST(GatedPool, ClearEmptiesTheAddListToo)
{
	ServiceLog log;
	std::atomic<int> ownersGone{0};
	sptr<BGatedPool> pool(new BGatedPool);
	sptr<CountingNode> node(new CountingNode(&log, 1, new Owner(&ownersGone)));
	ASSERT_EQ(pool->AddNode(node.Get()), kOk);
	EXPECT_EQ(node->StrongCount(), 2);
	pool->Clear();
	EXPECT_EQ(ownersGone, 1);
	EXPECT_EQ(node->StrongCount(), 1);
	// Nothing left for a worker to find.
	ASSERT_EQ(pool->Run(nullptr), kOk);
	Sleep(static_cast<DWORD>(kBlockedFor.count()));
	EXPECT_EQ(node->calls, 0);
	EXPECT_TRUE(ReleasesInTime(pool));
}

TEST(GatedPool, QuitWakesASleepingWorker)
{
	ServiceLog log;
	sptr<BGatedPool> pool(new BGatedPool);
	ASSERT_EQ(pool->Run(nullptr), kOk);
	Sleep(static_cast<DWORD>(kBlockedFor.count()));  // asleep on its event by now
	pool->RequestQuit();
	// A worker that has quit services nothing more.
	sptr<CountingNode> node(new CountingNode(&log, 1));
	ASSERT_EQ(pool->AddNode(node.Get()), kOk);
	Sleep(static_cast<DWORD>(kBlockedFor.count()));
	EXPECT_EQ(node->calls, 0);
	EXPECT_TRUE(ReleasesInTime(pool));

	// Dropped while asleep, without an explicit quit.
	sptr<BGatedPool> sleeper(new BGatedPool);
	ASSERT_EQ(sleeper->Run(nullptr), kOk);
	Sleep(static_cast<DWORD>(kBlockedFor.count()));
	EXPECT_TRUE(ReleasesInTime(sleeper));
}

TEST(GatedPool, RefusedPreparationStartsNoWorker)
{
	ServiceLog log;
	sptr<BGatedPool> pool(new RefusingPool);
	EXPECT_EQ(pool->Run(nullptr), kNotAllowed);
	EXPECT_EQ(pool->AddNode(nullptr), kBadValue);
	sptr<CountingNode> node(new CountingNode(&log, 1));
	ASSERT_EQ(pool->AddNode(node.Get()), kOk);
	Sleep(static_cast<DWORD>(kBlockedFor.count()));
	EXPECT_EQ(node->calls, 0);
	// Nothing to wait for: the destructor must not poll for a worker.
	EXPECT_TRUE(ReleasesInTime(pool));
}

}  // namespace
