// Pieces shared by the messenger and handler tests: a handler that looks at
// each message as delivered (with its delivery record, which a copy would
// lose) and a looper thread that the test owns for its whole body.
#pragma once

#include "messaging/Handler.h"
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "tests/messaging/LooperTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

namespace zeltest {

// Runs `fProbe` on the looper thread for every message before recording it.
// A probe may reply, forward or keep what it needs; it runs with the looper
// locked.
class ProbeHandler : public RecordingHandler {
public:
	explicit ProbeHandler(const char* name = nullptr) : RecordingHandler(name) {}

	void HandleMessage(BMessage* message) override
	{
		if (fProbe)
			fProbe(message);
		RecordingHandler::HandleMessage(message);
	}

	std::function<void(BMessage*)> fProbe;
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
