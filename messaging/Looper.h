// BLooper: a handler that owns a thread, a message queue and a lock.
//
// Messages sent to any of its handlers are queued by delivery time; the looper
// thread sleeps in its native message loop, wakes when the head message is due
// and dispatches each message with the looper locked. A looper pointer is safe
// to lock from any thread: Lock and IsLocked consult the process-wide looper
// list, which rejects pointers to destroyed loopers.
//
// Any thread may post, lock, ask IsLocked and quit; everything else expects
// the looper locked by the caller, and reports calls made without the lock.
// Locks nest in this order: the looper's lock, then the looper-list lock or the
// token-space lock briefly, then a direct target's lock, then the queue lock.
#pragma once
#include "messaging/Handler.h"
#include "messaging/LooperList.h"
#include "support/List.h"
#include "support/StrongPointer.h"
#include "support/Vector.h"

#include <atomic>

class BMessageQueue;
struct ThreadRecord;

namespace BPrivate {
class BLooperTarget;
class LooperList;
}

// Work a looper runs with its lock released, after the message that queued it
// (see BLooper::AddUnlockedWork).
class UnlockedDispatcher : public BAtom {
public:
	virtual void Dispatch() = 0;
};

// A call a looper makes with its lock held at its next due-work step.
struct pending_execution {
	void (*function)(void* userData, void* argument);
	void* userData;
	void* argument;
};

class BLooper : public BHandler {
public:
	// A new looper is in the looper list and locked by the creating thread.
	// The capacity is accepted for compatibility and not used.
	explicit BLooper(const char* name = nullptr, int32 priority = 10, int32 capacity = 200);
	~BLooper() override;

	[[nodiscard]] status_t Archive(BMessage* archive, bool deep = true) const override;
	void HandleMessage(BMessage* message) override;
	BHandler* ResolveSpecifier(BMessage* message, int32 index, BMessage* specifier, int32 form,
		const char* property) override;
	[[nodiscard]] status_t AddSuitesToReply(BMessage* reply) override;

	virtual void DispatchToHandler(BMessage* message, BHandler* handler);
	// The looper thread's id, -1 on failure; the looper must be locked.
	virtual int32 Run();
	// From another thread returns only after the looper has been destroyed.
	virtual void Quit();
	virtual bool ConfirmQuit();
	virtual void AddCommonFilter(MessageFilter* filter);
	virtual bool RemoveCommonFilter(MessageFilter* filter);
	// Takes over a BList of MessageFilter*, destroying the old filters.
	virtual void SetCommonFilterList(BList* filters);
	virtual void DispatchOne(BMessage* message, BHandler* handler, token_t token, bool preferred);
	// Runs on the looper thread before the loop.
	virtual void ThreadStartHook();
	// May move *deadline earlier for pending work.
	virtual void AdjustDeadline(bigtime_t* deadline);

	void AddHandler(BHandler* handler);
	bool RemoveHandler(BHandler* handler);
	int32 IndexOf(const BHandler* handler) const;
	BHandler* HandlerAt(int32 index) const;
	int32 CountHandlers() const;
	BList* CommonFilterList() const { return fCommonFilters; }

	// The caller keeps the message; a copy is queued.
	[[nodiscard]] status_t Post(uint32 what);
	[[nodiscard]] status_t Post(BMessage* message);
	// A null handler means the preferred handler. kMismatchedValues for a
	// handler of another looper or of none.
	[[nodiscard]] status_t Post(BMessage* message, BHandler* handler, BHandler* replyTo = nullptr);

	// Recursive for the owner. False (kBadValue) for a looper that is not or
	// no longer listed, so a pointer to a destroyed looper is refused, and for
	// a thread that waited while the looper was destroyed. LockTimed's timeout
	// is relative, in microseconds: kTimedOut, or kWouldBlock for 0.
	bool Lock();
	[[nodiscard]] status_t LockTimed(bigtime_t timeout);
	// Leaves one level. A thread that does not own the lock is reported and
	// changes nothing.
	void Unlock();
	bool IsLocked() const;

	// The message being dispatched, only on the looper's own thread.
	BMessage* CurrentMessage() const;
	int32 Thread() const { return fThread; }
	token_t LooperToken() const { return fLooperToken; }
	BHandler* PreferredHandler() const { return fPreferred; }

	// The handler-filter step of dispatch: the handler's own filters, again for
	// every handler they redirect to. Null when a filter skips the message.
	BHandler* ApplyHandlerFilters(BMessage* message, BHandler* handler);

	// The loop's step: dispatches every message due at `now`, one by one, then
	// the pending executions. Answers when it wants to run again; *quit is set
	// once the loop must end. The native layer also runs it at an input event's
	// time, so that messages queued before the event are handled first.
	bigtime_t DispatchDueWork(bigtime_t now, bool* quit);
	// Runs the unlocked work until the list is empty or the looper cannot be
	// locked. Nothing runs while the calling thread holds the lock: the work
	// waits for the point where that thread lets go of it.
	void RunUnlockedWork();
	// Both expect the looper locked. Unlocked work runs once the message being
	// dispatched is done and the looper thread holds the lock no more; a
	// pending execution at the next due-work step, for which the looper
	// thread is woken.
	void AddUnlockedWork(const sptr<UnlockedDispatcher>& work);
	void AddPendingExecution(const pending_execution& execution);

protected:
	// The application looper's form: runs on the thread that calls Run, whose
	// record is given as the wake port.
	BLooper(int32 priority, ThreadRecord* wakePort, const char* name);

	void SetPreferredHandler(BHandler* handler);
	// The first message of the application, queued before the loop runs; the
	// queue takes the message. Without a target it goes to the looper itself.
	void EnqueueBeforeRunning(BMessage* message);
	// Marks the loop to end and makes sure it looks: a flag set outside the
	// loop's step (by a handler that a window procedure ran) would otherwise
	// wait for a wake-up that may never come.
	void SetQuitFlag();
	// For subclasses that take their own messages back out of the queue.
	BMessageQueue* MessageQueue() const { return fQueue; }
	bool IsRunning() const { return fRunning; }

	// Set by the application looper: Run loops on the calling thread.
	static constexpr uint8 kRunOnCallingThread = 0x01;
	uint8 fRunFlags = 0;

private:
	class SafeLock;
	friend class BPrivate::LooperList;

	void InitLooper(const char* lockName);
	[[nodiscard]] status_t LockWithTimeout(bigtime_t timeout);
	// Leaves every nesting level of the calling thread at once.
	void UnlockFully();
	void AttachDirectTarget(BHandler* handler);
	void DetachHandler(BHandler* handler);
	bool ReportUnlessLocked(const char* text) const;
	// The body of a looper thread: the loop, then the looper's deletion.
	static int32 LooperThreadBody(void* looper);
	static bigtime_t ThreadLoopStep(void* looper, bigtime_t now, bool* quit);
	void RunPendingExecutions();
	void WakeLoop();
	bool IsLooperThread() const;
	void ProcessQuitRequest(BMessage* message);

	BHandler* FindTarget(BHandler* handler, token_t token, bool preferred);
	bool ResolveSpecifiers(BMessage* message, BHandler** handler);
	BHandler* ResolveFrom(BHandler* start, BMessage* message);
	// One filter pass over the common filters (owner null) or the owner's own.
	BHandler* ApplyFilters(const BHandler* owner, BMessage* message, BHandler* handler);
	void DispatchFiltered(BMessage* message, BHandler* handler);

	virtual void _ReservedLooper1();
	virtual void _ReservedLooper2();
	virtual void _ReservedLooper3();
	virtual void _ReservedLooper4();
	virtual void _ReservedLooper5();

protected:
	// The loop itself, after the reserved operations in the operation table:
	// expects the looper locked by this thread, runs ThreadStartHook, waits
	// and dispatches until the quit flag ends it, and returns locked.
	virtual void ThreadLoop();

private:
	int32 fListId = -1;
	token_t fLooperToken = kNoToken;
	BMessageQueue* fQueue = nullptr;
	BMessage* fCurrentMessage = nullptr;
	ThreadRecord* fWakePort = nullptr;
	sptr<SafeLock> fLock;
	int32 fThread = -1;
	int32 fPriority;
	BHandler* fPreferred = nullptr;
	BList fHandlers;
	BList* fCommonFilters = nullptr;
	// Set by the looper thread, or by a thread that quits the looper while it
	// holds the lock; read by the loop without it.
	std::atomic<bool> fQuitFlag{false};
	bool fRunning = false;
	BPrivate::BLooperTarget* fDirectTarget = nullptr;
	bigtime_t fPendingDeadline = kInfinite;
	BVector<sptr<UnlockedDispatcher>> fUnlockedWork;
	BVector<pending_execution> fPendingExecutions;
};
