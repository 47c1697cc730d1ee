// An application object for tests that run the application loop on the test's
// thread, and a deadline that ends a loop which never quits by itself.
#pragma once

#include "kernel/ProcessSlots.h"
#include "messaging/Application.h"
#include "messaging/Message.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace zeltest {

constexpr DWORD kLoopDeadlineMillis = 10000;

// Posts WM_QUIT to the thread that made it when it still lives after the
// deadline, so that a loop which never quits ends and the test fails.
class LoopDeadline {
public:
	LoopDeadline()
		: fThreadId(GetCurrentThreadId()), fDone(CreateEventW(nullptr, TRUE, FALSE, nullptr))
	{
		fWatch = std::thread([this] {
			if (WaitForSingleObject(fDone, kLoopDeadlineMillis) == WAIT_TIMEOUT) {
				fExpired = true;
				PostThreadMessageW(fThreadId, WM_QUIT, 0, 0);
			}
		});
	}
	~LoopDeadline()
	{
		SetEvent(fDone);
		fWatch.join();
		CloseHandle(fDone);
	}
	bool Expired() const { return fExpired; }

	LoopDeadline(const LoopDeadline&) = delete;
	LoopDeadline& operator=(const LoopDeadline&) = delete;

private:
	DWORD fThreadId;
	HANDLE fDone;
	std::atomic<bool> fExpired{false};
	std::thread fWatch;
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
