// An application object for tests that run the application loop on the test's
// thread, and a deadline that ends a loop which never quits by itself.
#pragma once

#include "kernel/ProcessSlots.h"
#include "kernel/WinOwner.h"
#include "messaging/Application.h"
#include "messaging/Message.h"
#include "tests/harness/Deadline.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <vector>

namespace zeltest {

// Posts WM_QUIT to the thread that made it when it still lives after the
// deadline, so that a loop which never quits ends and the test fails. The
// watch is a plain platform thread: the C++ library keeps records (and their
// events) of ended threads for reuse, which leak checks would count.
class LoopDeadline {
public:
	LoopDeadline()
		: fThreadId(GetCurrentThreadId()), fDone(CreateEventW(nullptr, TRUE, FALSE, nullptr))
	{
		fWatch.Reset(CreateThread(nullptr, 0, Watch, this, 0, nullptr));
	}
	~LoopDeadline()
	{
		SetEvent(fDone.Get());
		WaitForSingleObject(fWatch.Get(), INFINITE);
	}
	bool Expired() const { return fExpired; }

	LoopDeadline(const LoopDeadline&) = delete;
	LoopDeadline& operator=(const LoopDeadline&) = delete;

private:
	static DWORD WINAPI Watch(void* parameter)
	{
		LoopDeadline* self = static_cast<LoopDeadline*>(parameter);
		if (WaitForSingleObject(self->fDone.Get(), kDeadlineMillis) == WAIT_TIMEOUT) {
			self->fExpired = true;
			PostThreadMessageW(self->fThreadId, WM_QUIT, 0, 0);
		}
		return 0;
	}

	DWORD fThreadId;
	WinHandle fDone;
	std::atomic<bool> fExpired{false};
	WinHandle fWatch;
};

inline const BString kVendor("Quorvane");

// The module slot, which the entry point sets before the application exists.
inline const BString* WithModuleHandle(const BString* name)
{
	SetProcessModuleHandle(GetModuleHandleW(nullptr));
	return name;
}

class TestApp : public BApplication {
public:
	explicit TestApp(const BString& name = BString("Test App"))
		: BApplication(&kVendor, WithModuleHandle(&name))
	{
	}
	~TestApp() override
	{
		if (destroyed != nullptr)
			*destroyed = true;
	}

	void OnReady() override
	{
		readyCalls++;
		if (ready)
			ready(*this);
	}
	void OnAbout() override { aboutCalls++; }
	void OnPulse() override { pulseCalls++; }
	void OnActivated(bool active) override { activations.push_back(active); }
	void OnRefs(BMessage* message) override { refs.push_back(message->what); }

	std::function<void(TestApp&)> ready;
	int readyCalls = 0;
	int aboutCalls = 0;
	int pulseCalls = 0;
	std::vector<bool> activations;
	std::vector<uint32> refs;
	bool* destroyed = nullptr;
};

// Runs the loop under a deadline; the result is Run's.
inline int32 RunWithDeadline(BApplication& app)
{
	LoopDeadline deadline;
	int32 result = app.Run();
	EXPECT_FALSE(deadline.Expired()) << "the application loop did not end by itself";
	return result;
}

}  // namespace zeltest
