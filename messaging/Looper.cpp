// BLooper: construction, handlers, locking, the loop and its destruction.
// Dispatch and scripting are in LooperDispatch.cpp.
#include "messaging/Looper.h"

#include "kernel/DebuggerHook.h"
#include "kernel/Thread.h"
#include "kernel/ThreadRecord.h"
#include "kernel/SystemTime.h"
#include "messaging/LooperLock.h"
#include "messaging/LooperTarget.h"
#include "messaging/Message.h"
#include "messaging/MessageFilter.h"
#include "messaging/MessageQueue.h"
#include "messaging/Messenger.h"

#include <new>

using BPrivate::LooperList;

namespace {

constexpr char kLockRequired[] = "looper must be locked before proceeding\n";
constexpr char kLockAfterMain[] = "Attempt to lock a looper after main() returned. Can't have static Loopers.\n";
constexpr char kIsLockedAfterMain[] = "IsLocked() called after main() returned. Can't have static Loopers.\n";
constexpr char kAnonymousLockName[] = "anonymous looper_lock";
constexpr char kApplicationLockName[] = "app_looper_lock";
constexpr int32 kHandlerListBlock = 10;

void DestroyFilterList(BList* filters)
{
	if (filters == nullptr)
		return;
	for (int32 i = 0; i < filters->CountItems(); i++)
		delete static_cast<MessageFilter*>(filters->ItemAtFast(i));
	delete filters;
}

// A wake-up posted to a thread without a native queue is lost. Made before the
// loop's first step, the queue catches every wake-up for messages that step
// does not see.
void MakeNativeQueue()
{
	MSG message;
	PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

}  // namespace

// --- construction and destruction ---

BLooper::BLooper(const char* name, int32 priority, int32 /*capacity*/)
	: BHandler(name),
	  fPriority(priority),
	  fHandlers(kHandlerListBlock)
{
	InitLooper(name != nullptr && name[0] != 0 ? name : kAnonymousLockName);
}

BLooper::BLooper(int32 priority, ThreadRecord* wakePort, const char* name)
	: BHandler(name),
	  fWakePort(wakePort),
	  fPriority(priority),
	  fHandlers(kHandlerListBlock)
{
	InitLooper(kApplicationLockName);
}

void BLooper::InitLooper(const char* lockName)
{
	fQueue = new (std::nothrow) BMessageQueue();
	fLooperToken = gDefaultTokens.NewToken(kLooperTokenType, this);
	fLock = new SafeLock(this, lockName);
	// Entering the list and taking the lock happen under the list lock, so no
	// other thread can find the looper before its creator holds it.
	if (LooperList::Lock()) {
		fListId = LooperList::Insert(this);
		if (fLock != nullptr)
			fLock->TakeUncontended();
		LooperList::Unlock();
	}
	AddHandler(this);
	SetNextHandler(nullptr);
}

BLooper::~BLooper()
{
	// Senders that still hold the target from now on only destroy their messages.
	if (fDirectTarget != nullptr) {
		fDirectTarget->Detach();
		fDirectTarget->Release();
		fDirectTarget = nullptr;
	}
	if (fRunning && !fQuitFlag)
		DebuggerHook("You can't call delete on a BLooper object once it is running.\n");

	delete fQueue;
	fQueue = nullptr;
	gDefaultTokens.RemoveToken(fLooperToken);
	fLooperToken = kNoToken;
	delete fCurrentMessage;
	fCurrentMessage = nullptr;

	Lock();
	RemoveHandler(this);
	SetCommonFilterList(nullptr);
	while (fHandlers.CountItems() > 0)
		DetachHandler(static_cast<BHandler*>(fHandlers.ItemAtFast(0)));

	sptr<SafeLock> lock = fLock;
	if (lock != nullptr) {
		lock->Invalidate();
		UnlockFully();
		lock->WakeOneWaiter();
	}
	if (LooperList::Lock()) {
		LooperList::Remove(this, fListId);
		fLock = nullptr;
		LooperList::Unlock();
	} else {
		fLock = nullptr;
	}
	// Only now: a thread that waits in Quit returns to a looper that is no
	// longer listed anywhere.
	if (lock != nullptr)
		lock->SignalGone();
}

status_t BLooper::Archive(BMessage* archive, bool deep) const
{
	return BHandler::Archive(archive, deep);
}

bool BLooper::ConfirmQuit()
{
	return true;
}

void BLooper::ThreadStartHook() {}
void BLooper::AdjustDeadline(bigtime_t* /*deadline*/) {}
void BLooper::_ReservedLooper1() {}
void BLooper::_ReservedLooper2() {}
void BLooper::_ReservedLooper3() {}
void BLooper::_ReservedLooper4() {}
void BLooper::_ReservedLooper5() {}

// --- handlers ---

bool BLooper::ReportUnlessLocked(const char* text) const
{
	if (IsLocked())
		return false;
	DebuggerHook(text);
	return true;
}

void BLooper::AttachDirectTarget(BHandler* handler)
{
	if (fDirectTarget == nullptr) {
		fDirectTarget = new (std::nothrow) BPrivate::BLooperTarget(fQueue, fWakePort);
		if (fDirectTarget == nullptr)
			return;
		fDirectTarget->Acquire();
	}
	// The handler's token lives as long as the handler, and the looper's
	// target never refuses a reference: this cannot fail.
	(void)gDefaultTokens.SetTokenTarget(handler->Token(), fDirectTarget);
}

void BLooper::AddHandler(BHandler* handler)
{
	ReportUnlessLocked("Looper must be locked before calling AddHandler.\n");
	if (handler == nullptr)
		return;
	if (handler->Looper() != nullptr) {
		DebuggerHook("can't add same handler to 2 loopers\n");
		return;
	}
	if (!fHandlers.AddItem(handler))
		return;
	handler->SetLooper(this);
	handler->SetNextHandler(this);
	AttachDirectTarget(handler);
}

void BLooper::DetachHandler(BHandler* handler)
{
	if (fPreferred == handler)
		fPreferred = nullptr;
	// Clearing a live handler's target cannot fail.
	(void)gDefaultTokens.SetTokenTarget(handler->Token(), nullptr);
	handler->SetNextHandler(nullptr);
	handler->SetLooper(nullptr);
	fHandlers.RemoveItem(handler);
}

bool BLooper::RemoveHandler(BHandler* handler)
{
	ReportUnlessLocked("Looper must be locked before calling RemoveHandler.\n");
	if (handler == nullptr || handler->Looper() != this)
		return false;
	bool listed = fHandlers.HasItem(handler);
	DetachHandler(handler);
	return listed;
}

int32 BLooper::IndexOf(const BHandler* handler) const
{
	ReportUnlessLocked("Looper must be locked before calling IndexOf.\n");
	return fHandlers.IndexOf(handler);
}

BHandler* BLooper::HandlerAt(int32 index) const
{
	ReportUnlessLocked("Looper must be locked before calling HandlerAt.\n");
	return static_cast<BHandler*>(fHandlers.ItemAt(index));
}

int32 BLooper::CountHandlers() const
{
	ReportUnlessLocked("Looper must be locked before calling CountHandlers.\n");
	return fHandlers.CountItems();
}

void BLooper::SetPreferredHandler(BHandler* handler)
{
	fPreferred = handler;
}

// --- common filters ---

void BLooper::SetCommonFilterList(BList* filters)
{
	if (!IsLocked()) {
		DebuggerHook("Owning Looper must be locked before calling SetCommonFilterList");
		return;
	}
	DestroyFilterList(fCommonFilters);
	fCommonFilters = filters;
	for (int32 i = 0; filters != nullptr && i < filters->CountItems(); i++)
		static_cast<MessageFilter*>(filters->ItemAtFast(i))->SetLooper(this);
}

void BLooper::AddCommonFilter(MessageFilter* filter)
{
	if (!IsLocked()) {
		DebuggerHook("Owning Looper must be locked before calling AddCommonFilter");
		return;
	}
	if (filter == nullptr)
		return;
	if (filter->Looper() != nullptr) {
		DebuggerHook("A MessageFilter can only be used once.");
		return;
	}
	if (fCommonFilters == nullptr) {
		fCommonFilters = new (std::nothrow) BList();
		if (fCommonFilters == nullptr)
			return;
	}
	if (fCommonFilters->AddItem(filter))
		filter->SetLooper(this);
}

bool BLooper::RemoveCommonFilter(MessageFilter* filter)
{
	if (!IsLocked()) {
		DebuggerHook("Owning Looper must be locked before calling RemoveCommonFilter");
		return false;
	}
	if (fCommonFilters == nullptr || filter == nullptr || !fCommonFilters->RemoveItem(filter))
		return false;
	filter->SetLooper(nullptr);
	return true;
}

// --- posting ---

status_t BLooper::Post(uint32 what)
{
	BMessage message(what);
	return Post(&message);
}

status_t BLooper::Post(BMessage* message)
{
	return Post(message, this, nullptr);
}

status_t BLooper::Post(BMessage* message, BHandler* handler, BHandler* replyTo)
{
	if (message == nullptr)
		return kBadValue;
	if (handler != nullptr && handler->Looper() != this)
		return kMismatchedValues;
	status_t status = kOk;
	BMessenger messenger(handler, this, &status);
	if (status != kOk)
		return status;
	return messenger.Send(message, replyTo, 0);
}

void BLooper::EnqueueBeforeRunning(BMessage* message)
{
	if (message == nullptr || fQueue == nullptr)
		return;
	BPrivate::BMessageRecord record = message->DeliveryRecord();
	if (record.target == kNoToken) {
		record.target = Token();
		message->SetDeliveryRecord(record);
	}
	fQueue->AddMessage(message);
}

// --- locking ---

bool BLooper::Lock()
{
	return LockWithTimeout(kInfinite) == kOk;
}

status_t BLooper::LockTimed(bigtime_t timeout)
{
	return LockWithTimeout(timeout);
}

status_t BLooper::LockWithTimeout(bigtime_t timeout)
{
	if (!LooperList::Lock(kLockAfterMain))
		return kBadValue;
	// Nothing of the looper is read before the list has vouched for it.
	SafeLock* lock = LooperList::IsListed(this) ? fLock.Get() : nullptr;
	if (lock == nullptr || !lock->IsValid()) {
		LooperList::Unlock();
		return kBadValue;
	}
	if (lock->IsOwnedByCaller()) {
		lock->Nest();
		LooperList::Unlock();
		return kOk;
	}
	// The reference keeps the lock object alive through the wait even when
	// the looper is destroyed meanwhile; from here on only `lock` is used.
	lock->AcquireStrong();
	int32 previousLockers = lock->CountInLocker();
	LooperList::Unlock();
	return lock->WaitForTurn(previousLockers, timeout);
}

void BLooper::Unlock()
{
	SafeLock* lock = fLock.Get();
	// A thread that does not own the lock must not release somebody else's
	// hold, so after the report nothing changes.
	if (lock == nullptr || !lock->IsOwnedByCaller()) {
		DebuggerHook(kLockRequired);
		return;
	}
	lock->Unlock();
}

void BLooper::UnlockFully()
{
	SafeLock* lock = fLock.Get();
	if (lock != nullptr && lock->IsOwnedByCaller())
		lock->UnlockFully();
}

bool BLooper::IsLocked() const
{
	if (!LooperList::Lock(kIsLockedAfterMain))
		return false;
	bool locked = LooperList::IsListed(this) && fLock != nullptr && fLock->IsOwnedByCaller();
	LooperList::Unlock();
	return locked;
}

bool BLooper::IsLooperThread() const
{
	return fWakePort != nullptr && fWakePort->fThreadId == GetCurrentThreadId();
}

BMessage* BLooper::CurrentMessage() const
{
	return IsLooperThread() ? fCurrentMessage : nullptr;
}

// --- running and quitting ---

int32 BLooper::Run()
{
	ReportUnlessLocked(kLockRequired);
	if (fRunning) {
		DebuggerHook("can't call BLooper::Run twice!");
		return -1;
	}
	fRunning = true;
	if ((fRunFlags & kRunOnCallingThread) != 0) {
		fThread = CurrentThreadHandle();
		fWakePort = RecordForThread(-1);
		if (fDirectTarget != nullptr)
			fDirectTarget->SetWakePort(fWakePort);
		ThreadLoop();
		return fThread;
	}
	ThreadRecord* record = nullptr;
	thread_handle thread = SpawnThread(&LooperThreadBody, Name(), fPriority, this, &record);
	if (thread == -1) {
		// Without a thread the looper can still be quit and deleted directly.
		fRunning = false;
	} else {
		fWakePort = record;
		if (fDirectTarget != nullptr)
			fDirectTarget->SetWakePort(record);
	}
	fThread = thread;
	Unlock();
	// Resuming a thread this looper just created fails only with a broken
	// handle, which SpawnThread would not have answered.
	if (thread != -1)
		(void)StartThread(thread);
	return thread;
}

int32 BLooper::LooperThreadBody(void* argument)
{
	BLooper* looper = static_cast<BLooper*>(argument);
	if (!looper->Lock())
		return 0;
	looper->ThreadLoop();
	// A looper deleted from under its loop (which its destructor reports) is
	// not listed any more and must not be touched again, let alone deleted.
	if (!looper->IsLocked())
		return 0;
	looper->fQuitFlag = true;
	delete looper;
	return 0;
}

void BLooper::ThreadLoop()
{
	ReportUnlessLocked(kLockRequired);
	MakeNativeQueue();
	ThreadStartHook();
	Unlock();
	if (IsLocked())
		DebuggerHook("shouldn't be locked anymore");
	// However the loop ended (it reports a failure itself), the looper goes.
	(void)RunThreadLoop(&ThreadLoopStep, this);
	Lock();
}

bigtime_t BLooper::ThreadLoopStep(void* looper, bigtime_t now, bool* quit)
{
	return static_cast<BLooper*>(looper)->DispatchDueWork(now, quit);
}

bigtime_t BLooper::DispatchDueWork(bigtime_t now, bool* quit)
{
	*quit = false;
	if (fQuitFlag) {
		*quit = true;
		return kInfinite;
	}
	while (fQueue != nullptr && fQueue->NextWhen() <= now) {
		if (BMessage* message = fQueue->NextMessage()) {
			BPrivate::BMessageRecord record = message->DeliveryRecord();
			DispatchOne(message, nullptr, record.target, (record.flags & kPreferredTargetFlag) != 0);
		}
		if (fQuitFlag) {
			*quit = true;
			return kInfinite;
		}
		RunUnlockedWork();
	}
	// A looper that cannot be locked any more is going away under this loop.
	if (!Lock()) {
		*quit = true;
		return kInfinite;
	}
	fPendingDeadline = kInfinite;
	AdjustDeadline(&fPendingDeadline);
	RunPendingExecutions();
	Unlock();
	bigtime_t next = fQueue != nullptr ? fQueue->NextWhen() : kInfinite;
	return next < fPendingDeadline ? next : fPendingDeadline;
}

void BLooper::RunPendingExecutions()
{
	// Re-read at every step: an execution may add another, which runs in this
	// same round.
	for (int32 i = 0; i < fPendingExecutions.CountItems(); i++) {
		pending_execution execution = fPendingExecutions.ItemAt(i);
		execution.function(execution.userData, execution.argument);
	}
	fPendingExecutions.MakeEmpty();
}

void BLooper::RunUnlockedWork()
{
	// A thread that still holds the lock (a hook that runs a native loop of
	// its own, in which messages are dispatched) leaves the work for the
	// moment it lets go: the end of the message or of the native event that
	// locked the looper, where this runs again.
	if (IsLocked())
		return;
	while (Lock()) {
		if (fUnlockedWork.CountItems() == 0) {
			Unlock();
			return;
		}
		sptr<UnlockedDispatcher> work = fUnlockedWork.ItemAt(0);
		fUnlockedWork.RemoveItemsAt(0);
		Unlock();
		work->Dispatch();
	}
}

void BLooper::WakeLoop()
{
	// A wake-up that cannot be posted finds the loop busy with a full queue;
	// the loop looks for due work before it waits again.
	if (fWakePort != nullptr)
		(void)WakeThreadLoop(fWakePort, SystemTimeMicros());
}

void BLooper::SetQuitFlag()
{
	fQuitFlag = true;
	// Inside the step the wake-up is ignored: the step looks at the flag after
	// every message.
	if (fRunning)
		WakeLoop();
}

void BLooper::AddUnlockedWork(const sptr<UnlockedDispatcher>& work)
{
	if (work != nullptr)
		fUnlockedWork.AddItem(work);
}

void BLooper::AddPendingExecution(const pending_execution& execution)
{
	if (execution.function == nullptr || fPendingExecutions.AddItem(execution) < 0)
		return;
	WakeLoop();
}

void BLooper::Quit()
{
	if (!Lock())
		return;
	if (fRunning && !IsLooperThread()) {
		// Without the message the flag ends the loop, once it is woken; this
		// thread must not wait for an end that would never come.
		if (Post(kQuitNow) != kOk)
			SetQuitFlag();
		sptr<SafeLock> lock = fLock;
		UnlockFully();
		lock->WaitUntilGone();
		return;
	}
	SetQuitFlag();
	if (fRunning) {
		// The flag already ends the loop; the message only follows the others
		// in the queue.
		(void)Post(kQuitNow);
		Unlock();
		return;
	}
	delete this;
}
