// BGatedPool: a worker thread, "ZEL Gated Pool", that services a list of
// pending work nodes.
//
// Nodes are handed in on the add list (under mAddLock); on each pass the
// worker moves them, in order, to the end of the main list (under mLock) and
// calls Service() on every pending node, with mLock held. A node stays pending
// while Service() answers true; once it answers false it waits until it is
// marked pending again. A node marked removed leaves the list in the next
// pass, after its last service, and drops its owner reference. With nothing
// pending the worker sleeps on the wake event.
//
// mAddLock is taken inside mLock, never the other way round. Every public
// operation may be called from any thread; the pool is deleted through its last
// strong reference, never from its own worker.
#pragma once

#include "kernel/WinOwner.h"
#include "support/Atom.h"
#include "support/Locker.h"
#include "support/StrongPointer.h"
#include "support/SupportDefs.h"

class BGatedPool;

class BGatedPoolNode : public BAtom {
public:
	// The owner is held strongly while the node is in a pool's lists.
	explicit BGatedPoolNode(BAtom* owner = nullptr);

	// Runs on the worker with the pool's mLock held. True: still pending, call again.
	virtual bool Service() = 0;

private:
	friend class BGatedPool;

	sptr<BGatedPoolNode> fNext;
	sptr<BAtom> fOwner;
	bool fPending = false;
	bool fRemoved = false;
};

class BGatedPool : public BAtom {
public:
	BGatedPool();
	~BGatedPool() override;

	// Starts the worker, named `name` or "ZEL Gated Pool". PrepareRun's negative
	// status is returned unchanged; -1 when the worker could not be started.
	[[nodiscard]] status_t Run(const char* name = nullptr);
	// Empties both lists, dropping every node's owner reference.
	void Clear();
	// The worker leaves its loop at its next pass.
	void RequestQuit();

	// Hands a pending node to the pool, which holds it until it is removed or
	// the pool is cleared. A node belongs to one pool, once.
	[[nodiscard]] status_t AddNode(BGatedPoolNode* node);
	void MarkPending(BGatedPoolNode* node);
	void MarkRemoved(BGatedPoolNode* node);

protected:
	// Called by Run before the worker is spawned; a negative status stops Run.
	[[nodiscard]] virtual status_t PrepareRun();
	// Called by the destructor once the worker has left its loop.
	virtual void WorkerStopped();

private:
	static int32 Worker(void* argument);
	static void UnlinkAll(sptr<BGatedPoolNode>& head);

	bool ServicePass();
	void MergeAddList();
	int32 ServiceMainList();
	void Wake();
	bool HasExited();

	BLocker mAddLock;
	sptr<BGatedPoolNode> mAddList;
	BLocker mLock;
	sptr<BGatedPoolNode> mMainList;
	// Manual-reset; set to wake the worker.
	WinHandle mWakeEvent;
	bool mQuit = false;
	// True until the worker starts and again once it has left its loop.
	bool mExited = true;
};
