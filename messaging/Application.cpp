// BApplication: start-up of the process services, the application messages
// and the orderly quit of the windows. Its scripting is ApplicationScripting.cpp.
#include "messaging/Application.h"

#include "interface/Clipboard.h"
#include "interface/InterfaceStartup.h"
#include "kernel/DebuggerHook.h"
#include "kernel/SystemTime.h"
#include "kernel/Thread.h"
#include "messaging/AppShutdown.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"
#include "support/DebugFileIO.h"
#include "support/Resources.h"

#include <windows.h>

#include <atomic>
#include <new>

namespace {

std::atomic<BApplication*> gApplication{nullptr};

constexpr int32 kApplicationPriority = 10;
// Posted to the running loop by Quit only to wake it; the quit flag ends the
// loop before the message is dispatched.
constexpr uint32 kWakeUpCode = 0;

// The listed loopers in list order, only the windows when `windowsOnly`;
// false when the list cannot be read.
bool CollectLoopers(BList* loopers, bool windowsOnly)
{
	BList listed(10);
	if (!BPrivate::SnapshotListedLoopers(&listed))
		return false;
	for (int32 i = 0; i < listed.CountItems(); i++) {
		BLooper* looper = static_cast<BLooper*>(listed.ItemAt(i));
		if (!windowsOnly || BPrivate::IsWindowLooper(looper))
			loopers->AddItem(looper);
	}
	return true;
}


// The log file is named after the application while one lives.
BString ApplicationLogName()
{
	BApplication* application = ProcessApplication();
	return application != nullptr ? application->Name() : BString();
}

}  // namespace

BApplication* ProcessApplication()
{
	return gApplication.load(std::memory_order_acquire);
}

BApplication::BApplication(const BString* vendor, const BString* appName)
	: BLooper(kApplicationPriority, RecordForThread(-1), "app"),
	  mShutdownsLock("BApplication::mShutdownsLock")
{
	if (vendor != nullptr)
		fVendorName = *vendor;
	if (appName != nullptr)
		fApplicationName = *appName;
	if (fApplicationName.IsEmpty())
		fApplicationName = BString("app");

	if (gApplication.exchange(this, std::memory_order_acq_rel) != nullptr)
		DebuggerHook("2 BApplication objects were created. Only one is allowed.");

	// None of the start-up steps stops the construction: Run refuses to start
	// without the clipboard and the registries, and a missing hidden window or
	// drag lock only leaves what needs them unavailable.
	(void)fHiddenWindow.Create();
	(void)BPrivate::CreateClipboard();
	(void)BPrivate::StartInterface();
	(void)CreateResourcesRegistry();
	(void)CreateResourceFactoryRegistry();
	StartWorkerPool();

	// OnReady runs as the first thing the loop does.
	BMessage* ready = new (std::nothrow) BMessage(kReadyToRun);
	if (ready != nullptr) {
		ready->SetWhen(SystemTimeMicros());
		EnqueueBeforeRunning(ready);
	}

	// The looper part has already attached the application as its first handler.
	SetApplicationMessenger(BMessenger(this, this));
	SetName(fApplicationName);
	BPrivate::SetApplicationNameSource(ApplicationLogName);
}

BApplication::~BApplication()
{
	Lock();
	DeleteShutdownObjects();
	Unlock();

	if (QuitWindows(false, true))
		QuitWindows(true, true);

	Lock();
	// A second application may have taken the pointer over; it keeps it.
	BApplication* self = this;
	gApplication.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
	Unlock();

	BPrivate::StopInterface();
	DestroyResourcesRegistry();
	DestroyResourceFactoryRegistry();
	BPrivate::DestroyClipboard();
	StopWorkerPool();
	fHiddenWindow.Destroy();
}

int32 BApplication::Run()
{
	if (gClipboard == nullptr || ResourcesRegistryPresent() != kOk || ResourceFactoryRegistryPresent() != kOk)
		return -1;
	if (IsRunning()) {
		DebuggerHook("BApplication::Run was already called. Can only be called once.");
		return -1;
	}
	fRunFlags |= kRunOnCallingThread;
	BLooper::Run();
	return Thread();
}

void BApplication::Quit()
{
	StopWorkerPool();
	fHiddenWindow.Destroy();
	if (!IsRunning()) {
		delete this;
		return;
	}
	SetQuitFlag();
	// The flag ends the loop at its next turn; the post only makes that turn
	// come at once, and without it the next message does.
	(void)Post(kWakeUpCode);
}

bool BApplication::ConfirmQuit()
{
	// The windows are locked one by one while they are asked; the application
	// must not hold its own lock meanwhile, or a window waiting for it would
	// never answer.
	Unlock();
	bool agreed = QuitWindows(false, false);
	if (agreed) {
		QuitWindows(false, true);
		QuitWindows(true, true);
	}
	Lock();
	return agreed;
}

bool BApplication::QuitWindows(bool force, bool evenIfRefused)
{
	int32 index = 0;
	for (;;) {
		BLooper* window = WindowAt(index);
		if (window == nullptr)
			return true;
		// A window that cannot be locked is gone or busy; the next look at the
		// list tells which.
		if (!window->Lock())
			continue;
		bool exempt = BPrivate::IsExemptFromQuit(window);
		if (!force && exempt) {
			window->Unlock();
			index++;
			continue;
		}
		if (evenIfRefused || window->ConfirmQuit() || (force && exempt)) {
			// Returns once the window's thread has ended; the next window then
			// sits at this index.
			window->Quit();
			continue;
		}
		window->Unlock();
		return false;
	}
}

void BApplication::DispatchToHandler(BMessage* message, BHandler* handler)
{
	switch (message->what) {
	case kAboutRequested:
	case kAppActivated:
	case kPulseBlocked:
	case kPulse:
	case kQuitRequested:
	case kRefsReceived:
	case kReadyToRun:
		break;
	default:
		BLooper::DispatchToHandler(message, handler);
		return;
	}
	if (handler != this) {
		handler->HandleMessage(message);
		return;
	}
	switch (message->what) {
	case kAboutRequested:
		OnAbout();
		break;
	case kAppActivated: {
		bool active = false;
		message->GetBool("active", &active);
		OnActivated(active);
		break;
	}
	case kPulse:
		OnPulse();
		break;
	case kQuitRequested:
		if (ConfirmQuit())
			Quit();
		break;
	case kRefsReceived:
		OnRefs(message);
		break;
	case kReadyToRun:
		if (!fReady)
			OnReady();
		fReady = true;
		break;
	default:
		break;
	}
}

void BApplication::HandleMessage(BMessage* message)
{
	switch (message->what) {
	case kQuitWindowRequest:
		QuitWindowNamedIn(message);
		break;
	case kCountProperties:
	case kGetProperty:
	case kSetProperty: {
		int32 index = -1;
		BMessage specifier;
		uint32 form = 0;
		BString property;
		if (message->CurrentSpecifier(&index, &specifier, &form, &property) == kOk &&
			HandlePropertyRequest(message, index, &specifier, form, property))
			return;
		break;
	}
	default:
		break;
	}
	BLooper::HandleMessage(message);
}

void BApplication::QuitWindowNamedIn(BMessage* message)
{
	void* named = nullptr;
	if (message->GetPointer("be:window", &named) != kOk)
		return;
	for (int32 i = 0; BLooper* window = WindowAt(i); i++) {
		if (window != named)
			continue;
		if (window->Lock())
			window->Quit();
		return;
	}
}

bool BApplication::SnapshotLoopers(BList* loopers, bool windowsOnly) const
{
	return CollectLoopers(loopers, windowsOnly);
}

int32 BApplication::CountWindows() const
{
	BList windows(10);
	CollectLoopers(&windows, true);
	return windows.CountItems();
}

BLooper* BApplication::WindowAt(int32 index) const
{
	if (index < 0)
		return nullptr;
	BList windows(10);
	CollectLoopers(&windows, true);
	return static_cast<BLooper*>(windows.ItemAt(index));
}

int32 BApplication::CountLoopers() const
{
	return BPrivate::CountListedLoopers();
}

BLooper* BApplication::LooperAt(int32 index) const
{
	if (index < 0)
		return nullptr;
	return BPrivate::ListedLooperAt(index);
}

bool BApplication::RegisterShutdown(BAppShutdown* object)
{
	if (!mShutdownsLock.Lock())
		return false;
	bool added = fShutdowns.AddItem(object);
	mShutdownsLock.Unlock();
	return added;
}

void BApplication::UnregisterShutdown(BAppShutdown* object)
{
	if (!mShutdownsLock.Lock())
		return;
	fShutdowns.RemoveItem(static_cast<void*>(object));
	mShutdownsLock.Unlock();
}

void BApplication::DeleteShutdownObjects()
{
	if (!mShutdownsLock.Lock())
		return;
	// Each object leaves the list before it is deleted, so that its own
	// unregistering finds nothing to do.
	while (BAppShutdown* object = static_cast<BAppShutdown*>(fShutdowns.RemoveItem(int32(0))))
		delete object;
	fShutdowns.MakeEmpty();
	mShutdownsLock.Unlock();
}

void BApplication::StartWorkerPool()
{
	sptr<BGatedPool> pool(new (std::nothrow) BGatedPool());
	if (pool && pool->Run(nullptr) == kOk)
		fWorkerPool = pool;
}

void BApplication::StopWorkerPool()
{
	if (fWorkerPool)
		fWorkerPool->Clear();
	fWorkerPool.Clear();
}

void BApplication::OnPulse() {}
void BApplication::OnReady() {}
void BApplication::OnArguments(int32, char**) {}
void BApplication::OnActivated(bool) {}
void BApplication::OnRefs(BMessage*) {}
void BApplication::OnAbout() {}
void BApplication::_ReservedApplication1() {}
void BApplication::_ReservedApplication2() {}
void BApplication::_ReservedApplication3() {}
void BApplication::_ReservedApplication4() {}
void BApplication::_ReservedApplication5() {}
void BApplication::_ReservedApplication6() {}
void BApplication::_ReservedApplication7() {}
