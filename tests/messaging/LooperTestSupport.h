// Shared pieces of the looper tests: events with a deadline, a handler that
// records what it receives, a looper whose life the test can watch, and
// scripting requests.
#pragma once

#include "messaging/Handler.h"
#include "messaging/Looper.h"
#include "messaging/LooperList.h"
#include "messaging/Message.h"
#include "messaging/MessageFlatten.h"
#include "tests/harness/Deadline.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zeltest {

class Event {
public:
	Event() : fHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
	~Event() { CloseHandle(fHandle); }
	Event(const Event&) = delete;
	Event& operator=(const Event&) = delete;

	void Set() { SetEvent(fHandle); }
	bool IsSet() const { return WaitForSingleObject(fHandle, 0) == WAIT_OBJECT_0; }
	// False when the deadline passed first.
	bool Wait() const { return WaitForSingleObject(fHandle, kDeadlineMillis) == WAIT_OBJECT_0; }

private:
	HANDLE fHandle;
};

// Runs `body` on a thread of its own and waits for it within the deadline.
template<class Body>
bool RunOnOtherThread(Body body)
{
	Event done;
	std::thread thread([&] {
		body();
		done.Set();
	});
	bool finished = done.Wait();
	if (finished)
		thread.join();
	else
		thread.detach();
	return finished;
}

// A looper that quits on its own thread signals its subclass's destructor
// first and leaves the looper list last, once every handler is detached.
// Polled, for nothing tells another thread about that last step.
inline bool WaitUntilUnlisted(const BLooper* looper)
{
	for (DWORD waited = 0; waited < kDeadlineMillis; waited++) {
		if (BPrivate::ListedLooperToken(looper, nullptr) != kOk)
			return true;
		Sleep(1);
	}
	return false;
}

// Keeps a copy of every message it handles with its delivery record (which a
// copy loses); Wait blocks until `count` arrived.
class RecordingHandler : public BHandler {
public:
	explicit RecordingHandler(const char* name = nullptr) : BHandler(name) {}

	void HandleMessage(BMessage* message) override
	{
		{
			std::lock_guard<std::mutex> guard(fMutex);
			fMessages.push_back(*message);
			fRecords.push_back(message->DeliveryRecord());
			fLockedOnDispatch.push_back(Looper() != nullptr && Looper()->IsLocked());
			fCurrentOnDispatch.push_back(Looper() != nullptr && Looper()->CurrentMessage() == message);
		}
		fArrived.notify_all();
		Received(message);
	}

	// Waits until at least `count` messages were handled; false when the
	// deadline passed first.
	bool WaitFor(size_t count)
	{
		std::unique_lock<std::mutex> guard(fMutex);
		return fArrived.wait_for(guard, std::chrono::milliseconds(kDeadlineMillis),
			[&] { return fMessages.size() >= count; });
	}
	size_t Count()
	{
		std::lock_guard<std::mutex> guard(fMutex);
		return fMessages.size();
	}
	std::vector<BMessage> Messages()
	{
		std::lock_guard<std::mutex> guard(fMutex);
		return fMessages;
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
	bool AlwaysLockedAndCurrent()
	{
		std::lock_guard<std::mutex> guard(fMutex);
		for (size_t i = 0; i < fMessages.size(); i++) {
			if (!fLockedOnDispatch[i] || !fCurrentOnDispatch[i])
				return false;
		}
		return true;
	}

protected:
	// Runs on the looper thread after the message was recorded.
	virtual void Received(BMessage* /*message*/) {}

private:
	std::mutex fMutex;
	std::condition_variable fArrived;
	std::vector<BMessage> fMessages;
	std::vector<BPrivate::BMessageRecord> fRecords;
	std::vector<bool> fLockedOnDispatch;
	std::vector<bool> fCurrentOnDispatch;
};

// A looper that reports its destruction and answers ConfirmQuit as told. It
// opens the protected parts the tests drive.
class WatchedLooper : public BLooper {
public:
	explicit WatchedLooper(const char* name = "watched", Event* destroyed = nullptr)
		: BLooper(name), fDestroyed(destroyed)
	{
	}
	~WatchedLooper() override
	{
		if (fDestroyed != nullptr)
			fDestroyed->Set();
	}

	bool ConfirmQuit() override
	{
		++fQuitQuestions;
		return fConfirmQuit;
	}

	using BLooper::EnqueueBeforeRunning;
	using BLooper::SetPreferredHandler;

	bool fConfirmQuit = true;
	int fQuitQuestions = 0;

private:
	Event* fDestroyed;
};

// A running looper with one recording handler, to which replies are addressed.
class ReplyCollector {
public:
	ReplyCollector() : fLooper(new BLooper("collector"))
	{
		fLooper->AddHandler(&fHandler);
		fLooper->Run();
	}
	~ReplyCollector()
	{
		fLooper->Lock();
		fLooper->RemoveHandler(&fHandler);
		fLooper->Quit();
	}
	ReplyCollector(const ReplyCollector&) = delete;
	ReplyCollector& operator=(const ReplyCollector&) = delete;

	BHandler* Handler() { return &fHandler; }
	// The first reply, after waiting for it; 0 as what when none came.
	BMessage FirstReply()
	{
		if (!fHandler.WaitFor(1))
			return BMessage();
		return fHandler.Messages().front();
	}
	RecordingHandler& Recorder() { return fHandler; }

private:
	RecordingHandler fHandler{"replies"};
	BLooper* fLooper;
};

struct Specifier {
	uint32 form;
	const char* property;
	int32 index;
};

// A scripting request whose specifiers are resolved last to first, as a
// scripting client builds them: the current specifier is the last one.
inline BMessage MakeScriptRequest(uint32 what, std::initializer_list<Specifier> specifiers)
{
	BMessage request(what);
	for (const Specifier& part : specifiers) {
		BMessage specifier(part.form);
		BString property(part.property);
		EXPECT_EQ(specifier.AddText("property", &property), kOk);
		if (part.form != kDirectSpecifier) {
			EXPECT_EQ(specifier.AddInt32("index", part.index), kOk);
		}
		EXPECT_EQ(request.AddNestedMessage("specifiers", &specifier), kOk);
	}
	// The specifier state travels in the flattened form; a round trip through
	// it gives the message both the flag and the current index.
	const_cast<BMessageBody*>(request.Body())->SetHasSpecifiers(true);
	BPrivate::BMessageInfo info;
	info.what = what;
	info.currentSpecifier = static_cast<int32>(specifiers.size()) - 1;
	uint32 size = BPrivate::FlattenedSize(request.Body(), info, false);
	std::vector<uint8> buffer(size);
	BPrivate::FlattenInto(request.Body(), info, buffer.data(), nullptr, false);
	BMessage result;
	EXPECT_EQ(result.Unflatten(buffer.data(), buffer.size()), kOk);
	return result;
}

inline std::string TextOf(const BMessage& message, const char* name)
{
	BString text;
	if (message.GetText(name, &text) != kOk)
		return "<none>";
	char* utf8 = text.ToUtf8();
	std::string result = utf8 != nullptr ? utf8 : "";
	free(utf8);
	return result;
}

}  // namespace zeltest
