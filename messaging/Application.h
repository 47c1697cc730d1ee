// BApplication: the looper of the process.
//
// Exactly one exists. It runs its message loop on the thread that calls Run
// (the main thread), owns the process-wide services that windows and views
// need (clipboard, resource registries, system colours, the current drag
// message's lock, a hidden top-level window, a worker pool), turns the
// application-level messages into the On... hooks, answers scripting requests
// about the windows and loopers of the process and coordinates the orderly quit
// of all windows.
//
// Everything but the queries of the looper list runs on the application
// thread with the application locked, like any looper's hooks; CountWindows,
// WindowAt, CountLoopers and LooperAt read snapshots and may be called from any
// thread.
#pragma once

#include "kernel/WinApplicationWindow.h"
#include "messaging/Looper.h"
#include "support/GatedPool.h"
#include "support/Locker.h"

class BAppShutdown;

class BApplication : public BLooper {
public:
	// Either name may be null; an empty application name becomes "app". A
	// second application is reported through the debugger hook and replaces
	// the first as the process's application. The new application is locked by
	// the constructing thread, which must be the one that calls Run.
	BApplication(const BString* vendor, const BString* appName);
	~BApplication() override;

	void HandleMessage(BMessage* message) override;
	BHandler* ResolveSpecifier(BMessage* message, int32 index, BMessage* specifier, int32 form,
		const char* property) override;
	[[nodiscard]] status_t AddSuitesToReply(BMessage* reply) override;
	void DispatchToHandler(BMessage* message, BHandler* handler) override;
	// Runs the loop on the calling thread and returns when it has ended: the
	// thread's handle, or -1 when a process service is missing or Run was
	// called before.
	int32 Run() override;
	// Called with the application locked. An application that never ran is
	// deleted here, so only a heap-allocated one may be quit before Run.
	void Quit() override;
	// Asks every window; true when all of them agreed and have quit.
	bool ConfirmQuit() override;

	virtual void OnPulse();
	// The first thing the running loop does, called once.
	virtual void OnReady();
	// Command-line arguments; nothing in this process delivers them.
	virtual void OnArguments(int32 count, char** arguments);
	virtual void OnActivated(bool active);
	virtual void OnRefs(BMessage* message);
	virtual void OnAbout();

	// Snapshots of the looper list. Windows are the loopers that are BWindows.
	// A negative index or an unreadable list gives 0 or null; CountLoopers
	// gives -1 for an unreadable list.
	int32 CountWindows() const;
	BLooper* WindowAt(int32 index) const;
	int32 CountLoopers() const;
	BLooper* LooperAt(int32 index) const;

	const BString& VendorName() const { return fVendorName; }
	const BString& ApplicationName() const { return fApplicationName; }

private:
	// The reserved operations keep their place in the table before
	// HandlePropertyRequest.
	virtual void _ReservedApplication1();
	virtual void _ReservedApplication2();
	virtual void _ReservedApplication3();
	virtual void _ReservedApplication4();
	virtual void _ReservedApplication5();
	virtual void _ReservedApplication6();
	virtual void _ReservedApplication7();

protected:
	// Answers the application's own properties (case 5 of its table); false
	// when the request is not one of them. `message` is PCNT, PGET or PSET.
	virtual bool HandlePropertyRequest(BMessage* message, int32 index, BMessage* specifier, uint32 form,
		const BString& property);

private:
	friend class BAppShutdown;

	// Appends under the shutdown lock; false when memory ran out.
	bool RegisterShutdown(BAppShutdown* object);
	void UnregisterShutdown(BAppShutdown* object);
	void DeleteShutdownObjects();

	// Quits the windows one by one, each locked while it is asked, with the
	// application unlocked. False when one refused (and has not quit).
	bool QuitWindows(bool force, bool evenIfRefused);
	void QuitWindowNamedIn(BMessage* message);

	[[nodiscard]] status_t ResolveByIndex(BMessage* message, BMessage* specifier, int32 form, bool windows);
	[[nodiscard]] status_t ResolveByName(BMessage* message, BMessage* specifier, bool windows);
	[[nodiscard]] status_t ResolveById(BMessage* message, BMessage* specifier);
	void ReplyMessengersOf(BMessage* message, bool windowsOnly);
	void ReplyName(BMessage* message);
	// The listed loopers in list order, only the windows when `windowsOnly`;
	// false when the list cannot be read.
	bool SnapshotLoopers(BList* loopers, bool windowsOnly) const;

	void StartWorkerPool();
	void StopWorkerPool();

	BString fVendorName;
	BString fApplicationName;
	BLocker mShutdownsLock;
	BList fShutdowns;
	sptr<BGatedPool> fWorkerPool;
	// Only the creating thread can destroy it; from any other thread (Quit
	// called elsewhere) it stays for the destructor.
	WinApplicationWindow fHiddenWindow;
	bool fReady = false;
};

// The process's application, or null while none exists. Any thread may ask.
BApplication* ProcessApplication();
