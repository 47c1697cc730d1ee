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
// alternating, so that both see the same machine load; the spread is the
// lowest and highest round. Ratios are framework / platform (above 1 means
// the framework is faster), of the medians and round by round.
#include "bench/BenchClock.h"
#include "messaging/Handler.h"
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr uint32 kCount = FourCC("cnt ");
constexpr uint32 kPing = FourCC("ping");
constexpr UINT kRawMessage = WM_APP + 1;

constexpr int32 kOneWayMessages = 100000;
constexpr int32 kRoundTrips = 10000;
// Senders stay at most this many messages ahead of the receiver, so that the
// platform queue (limited to 10000 posted messages) never refuses one and the
// framework queue does not grow without bound.
constexpr int32 kWindow = 2000;
constexpr int kRounds = 7;
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
		if (fHopsLeft->fetch_sub(1, std::memory_order_acq_rel) <= 1)
			fDone->Set();
		else
			(void)fPeer.Send(message, nullptr, 0);  // a lost ping shows as a round that never ends
	}

private:
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
double FrameworkPingPong(PingHandler* first, std::atomic<int32>* hopsLeft, DoneEvent* done)
{
	hopsLeft->store(2 * kRoundTrips);
	done->Reset();
	BMessage ping(kPing);
	double start = NowSeconds();
	if (BMessenger(first, first->Looper()).Send(&ping, nullptr, 0) != kOk || !done->Wait())
		return -1;
	return kRoundTrips / (NowSeconds() - start);
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

double RawPingPong()
{
	std::atomic<int32> hopsLeft{2 * kRoundTrips};
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
	double start = NowSeconds();
	PostUntilTaken(first.Id(), 0);
	if (!done.Wait())
		return -1;
	return kRoundTrips / (NowSeconds() - start);
}

// --- figures ---

struct Figures {
	std::vector<double> rounds;

	void Add(double value) { rounds.push_back(value); }
	double Median() const
	{
		std::vector<double> sorted = rounds;
		std::sort(sorted.begin(), sorted.end());
		return sorted[sorted.size() / 2];
	}
	double Low() const { return *std::min_element(rounds.begin(), rounds.end()); }
	double High() const { return *std::max_element(rounds.begin(), rounds.end()); }
};

void Report(const char* what, const char* unit, const Figures& figures)
{
	std::printf("%-40s %10.0f %s  (rounds %.0f .. %.0f)\n", what, figures.Median(), unit, figures.Low(),
		figures.High());
}

// The ratio of the medians, and the median and spread of the ratios of the
// rounds: each framework round ran next to its platform round, so the latter
// cancels most of the drift of the machine's load.
void ReportRatio(const char* what, const Figures& framework, const Figures& raw)
{
	Figures paired;
	for (size_t i = 0; i < framework.rounds.size(); i++)
		paired.Add(framework.rounds[i] / raw.rounds[i]);
	std::printf("%-40s %10.3f  (per round: median %.3f, %.3f .. %.3f)\n", what,
		framework.Median() / raw.Median(), paired.Median(), paired.Low(), paired.High());
}

}  // namespace

int main()
{
	CountingHandler counter;
	std::atomic<int32> hopsLeft{0};
	DoneEvent pingDone;
	PingHandler pingA(&hopsLeft, &pingDone);
	PingHandler pingB(&hopsLeft, &pingDone);
	Figures send, post, rawOneWay, pingPong, rawPingPong;
	{
		RunningLooper receiver("LooperBench receiver", &counter);
		RunningLooper loopA("LooperBench A", &pingA);
		RunningLooper loopB("LooperBench B", &pingB);
		pingA.SetPeer(loopB.Messenger());
		pingB.SetPeer(loopA.Messenger());
		const BMessenger& toCounter = receiver.Messenger();
		BLooper* receiverLooper = receiver.Get();
		for (int round = 0; round < kRounds; round++) {
			send.Add(FrameworkOneWay(&counter, [&](BMessage* message) { return toCounter.Send(message, nullptr, 0); }));
			post.Add(FrameworkOneWay(&counter, [&](BMessage* message) {
				return receiverLooper->Post(message, &counter);
			}));
			rawOneWay.Add(RawOneWay());
			pingPong.Add(FrameworkPingPong(&pingA, &hopsLeft, &pingDone));
			rawPingPong.Add(RawPingPong());
		}
	}
	std::printf("%d rounds; one-way %d messages (at most %d ahead), ping-pong %d round trips\n", kRounds,
		kOneWayMessages, kWindow, kRoundTrips);
	Report("one-way BMessenger::Send", "msg/s", send);
	Report("one-way BLooper::Post", "msg/s", post);
	Report("one-way PostThreadMessage/GetMessage", "msg/s", rawOneWay);
	Report("ping-pong between loopers", "rt/s", pingPong);
	Report("ping-pong PostThreadMessage/GetMessage", "rt/s", rawPingPong);
	ReportRatio("ratio one-way Send / raw", send, rawOneWay);
	ReportRatio("ratio one-way Post / raw", post, rawOneWay);
	ReportRatio("ratio ping-pong / raw", pingPong, rawPingPong);
	return 0;
}
