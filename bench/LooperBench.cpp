// Looper benchmark: the framework's message traffic beside the same traffic on
// the bare platform queue, in one run.
//
// - one-way: one thread sends messages to a looper, whose handler counts them
//   (BMessenger::Send and BLooper::Post), beside PostThreadMessage to a thread
//   that counts them in GetMessage;
// - ping-pong: one message goes back and forth between two loopers, each
//   handler sending it on to the other, beside two threads that pass one
//   posted message back and forth.
//
// Every figure is the median of several rounds, framework and platform
// taking turns at going first, so that both see the same machine load; the
// ratios are framework / platform round by round (above 1 means the framework
// is faster), their median and spread.
//
//   LooperBench.exe                          rounds of everything and the result lines
//   LooperBench.exe --count-round-trips N    one ping-pong of N round trips on each
//                                            side, for bench/server-requests.sh to
//                                            count the requests each thread makes
#include "bench/BenchClock.h"
#include "bench/BenchPinning.h"
#include "bench/BenchResult.h"
#include "messaging/Handler.h"
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr uint32 kCount = FourCC("cnt ");
constexpr uint32 kPing = FourCC("ping");
constexpr UINT kRawMessage = WM_APP + 1;

// The platform side of the one-way figures takes about 50 us a message under
// Wine: 20000 messages keep a round near a second.
constexpr int32 kOneWayMessages = 20000;
constexpr int32 kRoundTrips = 10000;
// Senders stay at most this many messages ahead of the receiver, so that the
// platform queue (limited to 10000 posted messages) never refuses one and the
// framework queue does not grow without bound.
constexpr int32 kWindow = 2000;
constexpr DWORD kDeadlineMillis = 60000;

// A manual-reset event that the receiving side sets when the run is complete.
class DoneEvent {
public:
	DoneEvent() : fHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
	~DoneEvent() { CloseHandle(fHandle); }
	DoneEvent(const DoneEvent&) = delete;
	DoneEvent& operator=(const DoneEvent&) = delete;

	void Set() { SetEvent(fHandle); }
	void Reset() { ResetEvent(fHandle); }
	bool Wait() const { return WaitForSingleObject(fHandle, kDeadlineMillis) == WAIT_OBJECT_0; }

private:
	HANDLE fHandle;
};

// Keeps the sender within kWindow messages of what has been received.
void WaitForWindow(int32 sent, const std::atomic<int32>& received)
{
	while (sent - received.load(std::memory_order_acquire) >= kWindow)
		SwitchToThread();
}

// --- the framework ---

// Counts what it receives and reports when the expected number arrived.
class CountingHandler : public BHandler {
public:
	CountingHandler() : BHandler("LooperBench counter") {}

	void Expect(int32 count)
	{
		fReceived.store(0);
		fExpected = count;
		fDone.Reset();
	}
	const std::atomic<int32>& Received() const { return fReceived; }
	bool Wait() const { return fDone.Wait(); }

	void HandleMessage(BMessage* message) override
	{
		if (message->what != kCount) {
			BHandler::HandleMessage(message);
			return;
		}
		if (fReceived.fetch_add(1, std::memory_order_release) + 1 == fExpected)
			fDone.Set();
	}

private:
	std::atomic<int32> fReceived{0};
	int32 fExpected = 0;
	DoneEvent fDone;
};

// Passes the ping on to its peer until the shared count of hops runs out.
class PingHandler : public BHandler {
public:
	PingHandler(std::atomic<int32>* hopsLeft, DoneEvent* done)
		: BHandler("LooperBench ping"), fHopsLeft(hopsLeft), fDone(done)
	{
	}

	void SetPeer(const BMessenger& peer) { fPeer = peer; }

	void HandleMessage(BMessage* message) override
	{
		if (message->what != kPing) {
			BHandler::HandleMessage(message);
			return;
		}
		fThreadId.store(GetCurrentThreadId(), std::memory_order_relaxed);
		if (fHopsLeft->fetch_sub(1, std::memory_order_acq_rel) <= 1)
			fDone->Set();
		else
			(void)fPeer.Send(message, nullptr, 0);  // a lost ping shows as a round that never ends
	}

	// The thread of the looper that passed the ping on last.
	DWORD ThreadId() const { return fThreadId.load(std::memory_order_relaxed); }

private:
	std::atomic<DWORD> fThreadId{0};
	std::atomic<int32>* fHopsLeft;
	DoneEvent* fDone;
	BMessenger fPeer;
};

// A looper running on its own thread with one handler attached; quit and
// destroyed when this goes.
class RunningLooper {
public:
	RunningLooper(const char* name, BHandler* handler) : fLooper(new BLooper(name))
	{
		fLooper->AddHandler(handler);
		fMessenger = BMessenger(handler, fLooper);
		fLooper->Run();
	}
	~RunningLooper()
	{
		if (fLooper->Lock())
			fLooper->Quit();
	}
	RunningLooper(const RunningLooper&) = delete;
	RunningLooper& operator=(const RunningLooper&) = delete;

	BLooper* Get() const { return fLooper; }
	const BMessenger& Messenger() const { return fMessenger; }

private:
	BLooper* fLooper;
	BMessenger fMessenger;
};

// Messages per second, sent with `send` (called with the message) to the
// counting handler; negative when the run did not complete.
template<class Send>
double FrameworkOneWay(CountingHandler* counter, Send send)
{
	counter->Expect(kOneWayMessages);
	BMessage message(kCount);
	double start = NowSeconds();
	for (int32 sent = 0; sent < kOneWayMessages; sent++) {
		WaitForWindow(sent, counter->Received());
		if (send(&message) != kOk)
			return -1;
	}
	if (!counter->Wait())
		return -1;
	return kOneWayMessages / (NowSeconds() - start);
}

// Round trips per second between the loopers of `first` and `second`.
double FrameworkPingPong(PingHandler* first, std::atomic<int32>* hopsLeft, DoneEvent* done,
	int32 roundTrips = kRoundTrips)
{
	hopsLeft->store(2 * roundTrips);
	done->Reset();
	BMessage ping(kPing);
	double start = NowSeconds();
	if (BMessenger(first, first->Looper()).Send(&ping, nullptr, 0) != kOk || !done->Wait())
		return -1;
	return roundTrips / (NowSeconds() - start);
}

// --- the platform ---

// A thread with a native message queue that runs `onMessage` for every
// kRawMessage until WM_QUIT.
class RawThread {
public:
	template<class OnMessage>
	explicit RawThread(OnMessage onMessage)
	{
		DoneEvent ready;
		fThread = std::thread([this, &ready, onMessage] {
			MSG message;
			// The queue exists from here on, so no post to it can be lost.
			PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
			fId.store(GetCurrentThreadId());
			ready.Set();
			while (GetMessageW(&message, nullptr, 0, 0) > 0) {
				if (message.message == kRawMessage)
					onMessage(message.wParam);
			}
		});
		ready.Wait();
	}
	~RawThread()
	{
		PostThreadMessageW(fId.load(), WM_QUIT, 0, 0);
		fThread.join();
	}
	RawThread(const RawThread&) = delete;
	RawThread& operator=(const RawThread&) = delete;

	DWORD Id() const { return fId.load(); }

private:
	std::atomic<DWORD> fId{0};
	std::thread fThread;
};

// A full queue refuses the post; the sender then lets the receiver catch up.
void PostUntilTaken(DWORD thread, WPARAM value)
{
	while (!PostThreadMessageW(thread, kRawMessage, value, 0))
		SwitchToThread();
}

double RawOneWay()
{
	std::atomic<int32> received{0};
	DoneEvent done;
	RawThread receiver([&](WPARAM) {
		if (received.fetch_add(1, std::memory_order_release) + 1 == kOneWayMessages)
			done.Set();
	});
	double start = NowSeconds();
	for (int32 sent = 0; sent < kOneWayMessages; sent++) {
		WaitForWindow(sent, received);
		PostUntilTaken(receiver.Id(), 0);
	}
	if (!done.Wait())
		return -1;
	return kOneWayMessages / (NowSeconds() - start);
}

// With `threads`, the two threads' ids go there.
double RawPingPong(int32 roundTrips = kRoundTrips, DWORD* threads = nullptr)
{
	std::atomic<int32> hopsLeft{2 * roundTrips};
	std::atomic<DWORD> peers[2] = {{0}, {0}};
	DoneEvent done;
	auto passOn = [&](int self) {
		return [&, self](WPARAM) {
			if (hopsLeft.fetch_sub(1, std::memory_order_acq_rel) <= 1)
				done.Set();
			else
				PostUntilTaken(peers[1 - self].load(), 0);
		};
	};
	RawThread first(passOn(0));
	RawThread second(passOn(1));
	peers[0] = first.Id();
	peers[1] = second.Id();
	if (threads != nullptr) {
		threads[0] = first.Id();
		threads[1] = second.Id();
	}
	double start = NowSeconds();
	PostUntilTaken(first.Id(), 0);
	if (!done.Wait())
		return -1;
	return roundTrips / (NowSeconds() - start);
}

// The round trips of `--count-round-trips N`, or 0 for the measured rounds.
int32 CountedRoundTrips(int argc, char** argv)
{
	if (argc == 3 && std::strcmp(argv[1], "--count-round-trips") == 0)
		return std::atoi(argv[2]);
	return 0;
}

// One ping-pong of each side, with the threads named as the server's log names them.
int CountRoundTrips(int32 roundTrips)
{
	std::atomic<int32> hopsLeft{0};
	DoneEvent done;
	PingHandler pingA(&hopsLeft, &done);
	PingHandler pingB(&hopsLeft, &done);
	RunningLooper loopA("LooperBench A", &pingA);
	RunningLooper loopB("LooperBench B", &pingB);
	pingA.SetPeer(loopB.Messenger());
	pingB.SetPeer(loopA.Messenger());
	DWORD raw[2] = {0, 0};
	if (FrameworkPingPong(&pingA, &hopsLeft, &done, roundTrips) < 0 || RawPingPong(roundTrips, raw) < 0)
		return 1;
	std::printf("THREAD|framework|%04lx\nTHREAD|framework|%04lx\nTHREAD|bare|%04lx\nTHREAD|bare|%04lx\n",
		pingA.ThreadId(), pingB.ThreadId(), raw[0], raw[1]);
	std::printf("EVENTS|%d\n", static_cast<int>(roundTrips));
	return 0;
}

}  // namespace

int main(int argc, char** argv)
{
	PinToOneProcessor();
	if (int32 counted = CountedRoundTrips(argc, argv))
		return CountRoundTrips(counted);
	CountingHandler counter;
	std::atomic<int32> hopsLeft{0};
	DoneEvent pingDone;
	PingHandler pingA(&hopsLeft, &pingDone);
	PingHandler pingB(&hopsLeft, &pingDone);
	std::vector<double> send, post, rawOneWay, pingPong, rawPingPong;
	{
		RunningLooper receiver("LooperBench receiver", &counter);
		RunningLooper loopA("LooperBench A", &pingA);
		RunningLooper loopB("LooperBench B", &pingB);
		pingA.SetPeer(loopB.Messenger());
		pingB.SetPeer(loopA.Messenger());
		const BMessenger& toCounter = receiver.Messenger();
		BLooper* receiverLooper = receiver.Get();
		auto frameworkRound = [&] {
			send.push_back(
				FrameworkOneWay(&counter, [&](BMessage* message) { return toCounter.Send(message, nullptr, 0); }));
			post.push_back(FrameworkOneWay(&counter, [&](BMessage* message) {
				return receiverLooper->Post(message, &counter);
			}));
			pingPong.push_back(FrameworkPingPong(&pingA, &hopsLeft, &pingDone));
		};
		auto rawRound = [&] {
			rawOneWay.push_back(RawOneWay());
			rawPingPong.push_back(RawPingPong());
		};
		for (int round = 0; round < kStableRounds; round++) {
			if (round % 2 == 0) {
				frameworkRound();
				rawRound();
			} else {
				rawRound();
				frameworkRound();
			}
		}
	}
	std::printf("%d rounds; one-way %d messages (at most %d ahead), ping-pong %d round trips\n", kStableRounds,
		kOneWayMessages, kWindow, kRoundTrips);
	// Rates: a ratio above 1 means the framework is faster.
	PrintResultLine("Looper one-way BMessenger::Send / PostThreadMessage", "msg/s", send, rawOneWay, "-");
	PrintResultLine("Looper one-way BLooper::Post / PostThreadMessage", "msg/s", post, rawOneWay, "-");
	PrintResultLine("Looper ping-pong / PostThreadMessage+GetMessage", "rt/s", pingPong, rawPingPong, ">= 0.8");
	return 0;
}
