// BGatedPool: the worker's passes and the lists it services.
#include "support/GatedPool.h"

#include "kernel/SystemTime.h"
#include "kernel/Thread.h"

#include <windows.h>

#include <utility>

namespace {

constexpr int32 kWorkerPriority = 2;
constexpr bigtime_t kExitPollMicros = 2000;

}  // namespace

BGatedPoolNode::BGatedPoolNode(BAtom* owner)
	: fOwner(owner)
{
}

BGatedPool::BGatedPool()
	: mAddLock("BGatedPool::mAddLock"),
	  mLock("BGatedPool::mLock"),
	  mWakeEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

BGatedPool::~BGatedPool()
{
	Clear();
	RequestQuit();
	while (!HasExited())
		(void)SleepMicros(kExitPollMicros);  // a shorter sleep only polls sooner
	WorkerStopped();
	mMainList.Clear();
	mAddList.Clear();
}

status_t BGatedPool::Run(const char* name)
{
	status_t prepared = PrepareRun();
	if (prepared < 0)
		return prepared;
	// Without its event the worker could not sleep.
	if (!mWakeEvent)
		return kError;
	thread_handle worker = SpawnThread(Worker, BString(name != nullptr ? name : "ZEL Gated Pool"),
		kWorkerPriority, this);
	if (worker == -1)
		return kError;
	mLock.Lock();
	mExited = false;
	mLock.Unlock();
	if (StartThread(worker) != kOk) {
		// The worker never runs, so it will never say that it has exited.
		mLock.Lock();
		mExited = true;
		mLock.Unlock();
		return kError;
	}
	return kOk;
}

void BGatedPool::Clear()
{
	mLock.Lock();
	UnlinkAll(mMainList);
	mLock.Unlock();
	mAddLock.Lock();
	UnlinkAll(mAddList);
	mAddLock.Unlock();
}

void BGatedPool::RequestQuit()
{
	mLock.Lock();
	mQuit = true;
	Wake();
	mLock.Unlock();
}

status_t BGatedPool::AddNode(BGatedPoolNode* node)
{
	if (node == nullptr)
		return kBadValue;
	// The wake-up is given under mLock, where the worker decides to sleep, so
	// that it cannot fall between the worker's merge and its sleep.
	mLock.Lock();
	mAddLock.Lock();
	node->fPending = true;
	if (mAddList) {
		BGatedPoolNode* last = mAddList.Get();
		while (last->fNext)
			last = last->fNext.Get();
		last->fNext = node;
	} else {
		mAddList = node;
	}
	mAddLock.Unlock();
	Wake();
	mLock.Unlock();
	return kOk;
}

void BGatedPool::MarkPending(BGatedPoolNode* node)
{
	mLock.Lock();
	node->fPending = true;
	Wake();
	mLock.Unlock();
}

void BGatedPool::MarkRemoved(BGatedPoolNode* node)
{
	mLock.Lock();
	node->fRemoved = true;
	Wake();
	mLock.Unlock();
}

status_t BGatedPool::PrepareRun()
{
	return kOk;
}

void BGatedPool::WorkerStopped()
{
}

int32 BGatedPool::Worker(void* argument)
{
	BGatedPool* pool = static_cast<BGatedPool*>(argument);
	if (pool == nullptr)
		return -1;
	while (pool->ServicePass()) {
	}
	// The last touch of the pool: the destructor may run as soon as it sees the flag.
	pool->mLock.Lock();
	pool->mExited = true;
	pool->mLock.Unlock();
	return 0;
}

void BGatedPool::UnlinkAll(sptr<BGatedPoolNode>& head)
{
	sptr<BGatedPoolNode> node = head;
	while (node) {
		sptr<BGatedPoolNode> next = node->fNext;
		node->fNext.Clear();
		node->fOwner.Clear();
		node = next;
	}
	head.Clear();
}

// One pass of the worker: false once the pool is told to quit.
bool BGatedPool::ServicePass()
{
	mLock.Lock();
	for (;;) {
		if (mQuit) {
			ResetEvent(mWakeEvent.Get());
			mLock.Unlock();
			return false;
		}
		MergeAddList();
		if (ServiceMainList() > 0) {
			mLock.Unlock();
			return true;
		}
		ResetEvent(mWakeEvent.Get());
		mLock.Unlock();
		WaitForSingleObject(mWakeEvent.Get(), INFINITE);
		mLock.Lock();
	}
}

// Called with mLock held.
void BGatedPool::MergeAddList()
{
	mAddLock.Lock();
	sptr<BGatedPoolNode> added = std::move(mAddList);
	mAddLock.Unlock();
	if (!added)
		return;
	if (!mMainList) {
		mMainList = std::move(added);
		return;
	}
	BGatedPoolNode* last = mMainList.Get();
	while (last->fNext)
		last = last->fNext.Get();
	last->fNext = std::move(added);
}

// Called with mLock held. Services the pending nodes and unlinks the removed
// ones; returns how many were serviced.
int32 BGatedPool::ServiceMainList()
{
	int32 serviced = 0;
	sptr<BGatedPoolNode> previous;
	sptr<BGatedPoolNode> node = mMainList;
	while (node) {
		sptr<BGatedPoolNode> next = node->fNext;
		if (node->fPending) {
			serviced += 1;
			if (!node->Service())
				node->fPending = false;
		}
		if (node->fRemoved) {
			node->fOwner.Clear();
			if (previous)
				previous->fNext = next;
			else
				mMainList = next;
			node->fNext.Clear();
		} else {
			previous = node;
		}
		node = std::move(next);
	}
	return serviced;
}

void BGatedPool::Wake()
{
	if (mWakeEvent)
		SetEvent(mWakeEvent.Get());
}

bool BGatedPool::HasExited()
{
	mLock.Lock();
	bool exited = mExited;
	mLock.Unlock();
	return exited;
}
