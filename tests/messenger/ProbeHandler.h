// Pieces shared by the messenger and handler tests: a handler that looks at
// each message as delivered (with its delivery record, which a copy would
// lose) and a looper thread that the test owns for its whole body.
#pragma once

#include "messaging/Handler.h"
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "tests/looper/LooperTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace zeltest {

// Runs `fProbe` on the looper thread for every message, then records a copy
// of it with its delivery record and wakes the waiters. A probe may reply,
// forward or keep what it needs; it runs with the looper locked.
class ProbeHandler : public BHandler {
public:
	explicit ProbeHandler(const char* name = nullptr) : BHandler(name) {}

	void HandleMessage(BMessage* message) override
	{
		if (fProbe)
			fProbe(message);
		{
			std::lock_guard<std::mutex> guard(fMutex);
			fRecords.push_back(message->DeliveryRecord());
			fMessages.push_back(*message);
		}
		fArrived.notify_all();
	}

	// False when fewer than `count` messages came within the deadline.
	bool WaitFor(size_t count)
	{
		std::unique_lock<std::mutex> guard(fMutex);
		return fArrived.wait_for(guard, std::chrono::milliseconds(kLooperDeadlineMillis),
			[&] { return fMessages.size() >= count; });
	}
	std::vector<uint32> Codes()
	{
		std::lock_guard<std::mutex> guard(fMutex);
		std::vector<uint32> codes;
		for (const BMessage& message : fMessages)
			codes.push_back(message.what);
		return codes;
	}
	BMessage MessageAt(size_t index)
	{
		std::lock_guard<std::mutex> guard(fMutex);
		return index < fMessages.size() ? fMessages[index] : BMessage();
	}
	BPrivate::BMessageRecord RecordAt(size_t index)
	{
		std::lock_guard<std::mutex> guard(fMutex);
		return index < fRecords.size() ? fRecords[index] : BPrivate::BMessageRecord();
	}

	std::function<void(BMessage*)> fProbe;

private:
	std::mutex fMutex;
	std::condition_variable fArrived;
	std::vector<BMessage> fMessages;
	std::vector<BPrivate::BMessageRecord> fRecords;
};

// A running looper with the given handlers attached; the destructor quits it
// from the test thread and returns once it is destroyed, so that the
// handlers (which the test owns) are detached before they go.
class LiveLooper {
public:
	explicit LiveLooper(std::initializer_list<BHandler*> handlers, const char* name = "live")
		: fLooper(new WatchedLooper(name, &fDestroyed))
	{
		for (BHandler* handler : handlers)
			fLooper->AddHandler(handler);
		EXPECT_GT(fLooper->Run(), 0);
	}
	~LiveLooper() { Quit(); }
	LiveLooper(const LiveLooper&) = delete;
	LiveLooper& operator=(const LiveLooper&) = delete;

	BLooper* Get() { return fLooper; }
	void Quit()
	{
		if (!fDestroyed.IsSet() && fLooper->Lock())
			fLooper->Quit();
		EXPECT_TRUE(WaitUntilUnlisted(fLooper));
	}

private:
	Event fDestroyed;
	WatchedLooper* fLooper;
};

}  // namespace zeltest
