// The application looper on the test's main thread: its start message, its
// hooks, Run and Quit, the one-application rule, the hidden window, the
// process services and its scripting of windows and loopers, answered to a
// real handler through real queues. Every test that runs the loop has a
// deadline that ends a loop which never quits.
#include "interface/Clipboard.h"
#include "interface/DragMessage.h"
#include "interface/SystemColors.h"
#include "kernel/ProcessSlots.h"
#include "kernel/Thread.h"
#include "messaging/AppShutdown.h"
#include "messaging/Application.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"
#include "messaging/PropertyInfo.h"
#include "support/Resources.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/harness/TestApplication.h"
#include "tests/messaging/LooperTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char kSecondApplicationText[] = "2 BApplication objects were created. Only one is allowed.";
constexpr char kRunTwiceText[] = "BApplication::Run was already called. Can only be called once.";

using zeltest::RunWithDeadline;
using zeltest::TestApp;

// --- scripting requests ---

BMessage Specifier(uint32 form, const char* property)
{
	BMessage specifier(form);
	BString text(property);
	EXPECT_EQ(specifier.AddText("property", &text), kOk);
	return specifier;
}

BMessage DirectSpecifier(const char* property)
{
	return Specifier(kDirectSpecifier, property);
}

BMessage IndexSpecifier(const char* property, int32 index, bool reverse = false)
{
	BMessage specifier = Specifier(reverse ? kReverseIndexSpecifier : kIndexSpecifier, property);
	EXPECT_EQ(specifier.AddInt32("index", index), kOk);
	return specifier;
}

BMessage NameSpecifier(const char* property, const char* name)
{
	BMessage specifier = Specifier(kNameSpecifier, property);
	BString text(name);
	EXPECT_EQ(specifier.AddText("name", &text), kOk);
	return specifier;
}

BMessage IdSpecifier(const char* property, int32 id)
{
	BMessage specifier = Specifier(kIdSpecifier, property);
	EXPECT_EQ(specifier.AddInt32("id", id), kOk);
	return specifier;
}

// A request whose specifiers are resolved last to first, as a message read
// from its flattened form with the current-specifier chunk: that chunk is the
// only way a message gets a current specifier.
BMessage ScriptRequest(uint32 command, const std::vector<BMessage>& specifiers)
{
	BMessage plain(command);
	for (const BMessage& specifier : specifiers)
		EXPECT_EQ(plain.AddNestedMessage("specifiers", &specifier), kOk);
	std::vector<uint8_t> bytes(plain.FlattenedSize());
	EXPECT_EQ(plain.Flatten(bytes.data(), static_cast<int32>(bytes.size())), kOk);

	// After the 16-byte fixed part and the 24-byte body summary chunk.
	const size_t chunkAt = 16 + 24;
	uint16_t kind = 0x7363;     // 'cs'
	uint16_t subKind = 0x5254;  // 'TR'
	uint32_t size = 16;
	int32_t current = static_cast<int32_t>(specifiers.size()) - 1;
	uint8_t chunk[16] = {};
	std::memcpy(chunk, &kind, 2);
	std::memcpy(chunk + 2, &subKind, 2);
	std::memcpy(chunk + 4, &size, 4);
	std::memcpy(chunk + 8, &current, 4);
	bytes.insert(bytes.begin() + chunkAt, chunk, chunk + sizeof(chunk));
	uint32_t total = static_cast<uint32_t>(bytes.size());
	std::memcpy(bytes.data() + 4, &total, 4);

	BMessage request;
	EXPECT_EQ(request.Unflatten(bytes.data(), bytes.size()), kOk);
	EXPECT_TRUE(request.HasSpecifiers());
	return request;
}

// Sends the requests to the application one at a time, each after the reply
// to the one before, and asks the application to quit after the last reply.
class ScriptClient : public BHandler {
public:
	explicit ScriptClient(std::vector<BMessage> requests)
		: fRequests(std::move(requests))
	{
	}

	void SendNext()
	{
		if (replies.size() == fRequests.size()) {
			EXPECT_EQ(Looper()->Post(kQuitRequested), kOk);
			return;
		}
		BApplication* app = ProcessApplication();
		status_t status = BMessenger(app, app).Send(&fRequests[replies.size()], this);
		EXPECT_EQ(status, kOk);
	}

	void HandleMessage(BMessage* reply) override
	{
		replies.push_back(*reply);
		SendNext();
	}

	// Runs the application until it quits after the last reply.
	void RunOn(TestApp& app)
	{
		app.AddHandler(this);
		app.ready = [this](TestApp&) { SendNext(); };
		RunWithDeadline(app);
		app.RemoveHandler(this);
	}

	std::vector<BMessage> replies;

private:
	std::vector<BMessage> fRequests;
};

int32 ResultOf(const BMessage& reply)
{
	int32 result = -12345;
	EXPECT_EQ(reply.GetInt32("result", &result), kOk);
	return result;
}

void ExpectError(const BMessage& reply, status_t error, const char* text = nullptr)
{
	EXPECT_EQ(reply.what, kNotUnderstood);
	int32 status = 0;
	EXPECT_EQ(reply.GetInt32("error", &status), kOk);
	EXPECT_EQ(status, error);
	BString message;
	if (text == nullptr) {
		EXPECT_NE(reply.GetText("message", &message), kOk);
	} else {
		EXPECT_EQ(reply.GetText("message", &message), kOk);
		EXPECT_TRUE(message == text);
	}
}

// A looper of its own thread next to the application.
BLooper* StartOtherLooper()
{
	BLooper* other = new BLooper("other");
	other->Run();
	return other;
}

void QuitOtherLooper(BLooper* other)
{
	if (other->Lock())
		other->Quit();
}

// --- start-up, Run and quit ---

TEST(ApplicationRun, ReadyRunsOnceEvenWhenTheStartMessageComesTwice)
{
	TestApp app;
	app.ready = [](TestApp& self) {
		EXPECT_EQ(self.Post(kReadyToRun), kOk);
		EXPECT_EQ(self.Post(kQuitRequested), kOk);
	};
	EXPECT_EQ(RunWithDeadline(app), CurrentThreadHandle());
	EXPECT_EQ(app.readyCalls, 1);
	EXPECT_TRUE(zeltest::TakeDebuggerReports().empty());
}

TEST(ApplicationRun, ASecondRunIsRefusedWhileRunningAndAfterwards)
{
	TestApp app;
	int32 nested = 0;
	app.ready = [&nested](TestApp& self) {
		nested = self.Run();
		EXPECT_EQ(self.Post(kQuitRequested), kOk);
	};
	EXPECT_NE(RunWithDeadline(app), -1);
	EXPECT_EQ(nested, -1);
	EXPECT_EQ(app.Run(), -1);
	EXPECT_EQ(zeltest::TakeDebuggerReports(), (std::vector<std::string>{kRunTwiceText, kRunTwiceText}));
	EXPECT_EQ(app.readyCalls, 1);
}

TEST(ApplicationRun, RunWithoutTheClipboardReturnsWithoutRunning)
{
	TestApp app;
	BPrivate::DestroyClipboard();
	EXPECT_EQ(RunWithDeadline(app), -1);
	EXPECT_EQ(app.readyCalls, 0);
}

TEST(ApplicationRun, ApplicationMessagesReachTheirHooksAndOtherHandlersKeepTheirQuitRequest)
{
	TestApp app;
	zeltest::RecordingHandler handler;
	app.AddHandler(&handler);
	app.ready = [&handler](TestApp& self) {
		EXPECT_EQ(self.Post(kAboutRequested), kOk);
		BMessage activated(kAppActivated);
		EXPECT_EQ(activated.AddBool("active", true), kOk);
		EXPECT_EQ(self.Post(&activated), kOk);
		EXPECT_EQ(self.Post(kPulse), kOk);
		EXPECT_EQ(self.Post(kPulseBlocked), kOk);
		EXPECT_EQ(self.Post(kRefsReceived), kOk);
		// Addressed to another handler, a quit request is that handler's.
		BMessage quitHandler(kQuitRequested);
		EXPECT_EQ(self.Post(&quitHandler, &handler), kOk);
		EXPECT_EQ(self.Post(kPulse), kOk);
		EXPECT_EQ(self.Post(kQuitRequested), kOk);
	};
	RunWithDeadline(app);
	EXPECT_EQ(app.aboutCalls, 1);
	EXPECT_EQ(app.activations, std::vector<bool>{true});
	EXPECT_EQ(app.pulseCalls, 2);
	EXPECT_EQ(app.refs, std::vector<uint32>{kRefsReceived});
	EXPECT_EQ(handler.Codes(), std::vector<uint32>{kQuitRequested});
	app.RemoveHandler(&handler);
}

TEST(ApplicationRun, TheHiddenWindowLivesUntilQuit)
{
	TestApp app;
	HWND window = ProcessApplicationWindow();
	ASSERT_TRUE(IsWindow(window));
	wchar_t text[64] = {};
	GetClassNameW(window, text, 64);
	EXPECT_STREQ(text, L"Zel Main Window");
	GetWindowTextW(window, text, 64);
	EXPECT_STREQ(text, L"Zel Main Window");
	EXPECT_FALSE(IsWindowVisible(window));
	EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
	// The platform may widen it to its smallest frame; the corner stays.
	RECT frame;
	GetWindowRect(window, &frame);
	EXPECT_EQ(frame.left, 0);
	EXPECT_EQ(frame.top, 0);

	app.ready = [](TestApp& self) { EXPECT_EQ(self.Post(kQuitRequested), kOk); };
	RunWithDeadline(app);
	EXPECT_EQ(ProcessApplicationWindow(), nullptr);
	EXPECT_FALSE(IsWindow(window));
}

TEST(ApplicationRun, QuitBeforeRunDeletesTheApplication)
{
	bool destroyed = false;
	TestApp* app = new TestApp();
	app->destroyed = &destroyed;
	HWND window = ProcessApplicationWindow();
	app->Quit();
	EXPECT_TRUE(destroyed);
	EXPECT_EQ(ProcessApplication(), nullptr);
	EXPECT_FALSE(IsWindow(window));
}

TEST(ApplicationConstruction, NamesAndTheApplicationMessenger)
{
	TestApp app(BString(""));
	EXPECT_TRUE(app.ApplicationName() == "app");
	EXPECT_TRUE(app.Name() == "app");
	EXPECT_TRUE(app.VendorName() == "Quorvane");
	EXPECT_EQ(ProcessApplication(), &app);
	EXPECT_EQ(ApplicationMessenger(), BMessenger(&app, &app));
	EXPECT_TRUE(app.IsLocked());
}

TEST(ApplicationConstruction, ASecondApplicationIsReportedAndTakesOver)
{
	TestApp* first = new TestApp();
	TestApp* second = new TestApp(BString("Second"));
	EXPECT_EQ(zeltest::TakeDebuggerReports(), std::vector<std::string>{kSecondApplicationText});
	EXPECT_EQ(ProcessApplication(), second);
	HWND secondWindow = ProcessApplicationWindow();

	// The first one going does not take the second's place or window along.
	delete first;
	EXPECT_EQ(ProcessApplication(), second);
	EXPECT_EQ(ProcessApplicationWindow(), secondWindow);
	EXPECT_TRUE(IsWindow(secondWindow));
	delete second;
	EXPECT_EQ(ProcessApplication(), nullptr);
	EXPECT_EQ(ProcessApplicationWindow(), nullptr);
}

TEST(ApplicationConstruction, ProcessServicesLiveWithTheApplication)
{
	{
		TestApp app;
		ASSERT_NE(gClipboard, nullptr);
		ASSERT_TRUE(gClipboard->Lock());
		EXPECT_EQ(gClipboard->Data()->AddInt32("count", 3), kOk);
		gClipboard->Unlock();
		EXPECT_NE(gResources, nullptr);
		EXPECT_NE(gResourceFactory, nullptr);
	}
	EXPECT_EQ(gClipboard, nullptr);
	EXPECT_EQ(gResources, nullptr);
	EXPECT_EQ(gResourceFactory, nullptr);
}

TEST(ApplicationConstruction, SuitesListTheApplicationFirst)
{
	TestApp app;
	BMessage reply(kReplyCode);
	EXPECT_EQ(app.AddSuitesToReply(&reply), kOk);
	const char* expected[] = {"suite/vnd.Be-application", "suite/vnd.Be-looper", "suite/vnd.Be-handler"};
	for (int32 i = 0; i < 3; i++) {
		BString suite;
		EXPECT_EQ(reply.GetText("suites", i, &suite), kOk);
		EXPECT_TRUE(suite == expected[i]) << i;
	}
	const void* data = nullptr;
	int32 size = 0;
	ASSERT_EQ(reply.GetData("messages", kPropertyInfoType, 0, &data, &size), kOk);
	BPropertyInfo table;
	ASSERT_EQ(table.Unflatten(kPropertyInfoType, data, size), kOk);
	ASSERT_EQ(table.CountProperties(), 10);
	EXPECT_STREQ(table.Properties()[0].name, "Window");
	EXPECT_STREQ(table.Properties()[9].name, "Looper");
	EXPECT_EQ(table.Properties()[9].commands[0], kCountProperties);
}

// --- objects deleted with the application ---

int gShutdownObjectsDeleted = 0;

class ShutdownObject : public BAppShutdown {
public:
	~ShutdownObject() override { gShutdownObjectsDeleted++; }
};

TEST(ApplicationShutdown, RegisteredObjectsGoWithTheApplicationOnce)
{
	gShutdownObjectsDeleted = 0;
	// Without an application nothing registers it.
	delete new ShutdownObject();
	EXPECT_EQ(gShutdownObjectsDeleted, 1);
	{
		TestApp app;
		new ShutdownObject();
		new ShutdownObject();
		// Deleted by its owner first, it leaves the list.
		delete new ShutdownObject();
		EXPECT_EQ(gShutdownObjectsDeleted, 2);
	}
	EXPECT_EQ(gShutdownObjectsDeleted, 4);
}

// --- the current drag message ---

int gDragMessagesDeleted = 0;

class CountedMessage : public BMessage {
public:
	explicit CountedMessage(uint32 command)
		: BMessage(command)
	{
	}
	~CountedMessage() override { gDragMessagesDeleted++; }
};

TEST(DragMessage, ReplacingDeletesThePreviousMessage)
{
	gDragMessagesDeleted = 0;
	// No application, no lock: the message is taken and deleted.
	EXPECT_EQ(SetCurrentDragMessage(new CountedMessage(1)), kNotInitialised);
	EXPECT_EQ(gDragMessagesDeleted, 1);
	EXPECT_EQ(DragMessageReader().Message(), nullptr);
	{
		TestApp app;
		CountedMessage* first = new CountedMessage(2);
		EXPECT_EQ(SetCurrentDragMessage(first), kOk);
		{
			DragMessageReader reader;
			EXPECT_EQ(reader.Message(), first);
		}
		EXPECT_EQ(SetCurrentDragMessage(new CountedMessage(3)), kOk);
		EXPECT_EQ(gDragMessagesDeleted, 2);
		{
			DragMessageReader reader;
			ASSERT_NE(reader.Message(), nullptr);
			EXPECT_EQ(reader.Message()->what, 3u);
		}
		EXPECT_EQ(SetCurrentDragMessage(nullptr), kOk);
		EXPECT_EQ(gDragMessagesDeleted, 3);
		EXPECT_EQ(DragMessageReader().Message(), nullptr);
		EXPECT_EQ(SetCurrentDragMessage(new CountedMessage(4)), kOk);
	}
	// The application takes the last one along.
	EXPECT_EQ(gDragMessagesDeleted, 4);
}

// --- system colours ---

TEST(SystemColors, EntriesFollowThePlatformWithContrastAndUnsetEntries)
{
	TestApp app;
	// The documented source of every entry that the platform gives.
	struct PlatformEntry {
		int32 index;
		int element;
	};
	const PlatformEntry kFromPlatform[] = {{0, COLOR_WINDOW}, {1, COLOR_WINDOWTEXT}, {2, COLOR_BTNHIGHLIGHT},
		{4, COLOR_HIGHLIGHT}, {5, COLOR_HIGHLIGHTTEXT}, {6, COLOR_BTNFACE}, {7, COLOR_BTNTEXT},
		{8, COLOR_BTNHIGHLIGHT}, {10, COLOR_MENU}, {11, COLOR_MENUHILIGHT}, {12, COLOR_MENUTEXT},
		{13, COLOR_HIGHLIGHTTEXT}, {16, COLOR_WINDOWFRAME}, {17, COLOR_HIGHLIGHT}, {18, COLOR_BACKGROUND},
		{19, COLOR_INFOBK}, {20, COLOR_INFOTEXT}};
	for (const PlatformEntry& entry : kFromPlatform) {
		COLORREF platform = GetSysColor(entry.element);
		EXPECT_EQ(SystemColor(entry.index),
			(rgb_color{GetRValue(platform), GetGValue(platform), GetBValue(platform), 255}))
			<< entry.index;
	}
	// Black or white against the entry before; two entries are never set.
	EXPECT_EQ(SystemColor(3), ContrastingBlackOrWhite(SystemColor(2)));
	EXPECT_EQ(SystemColor(9), ContrastingBlackOrWhite(SystemColor(8)));
	EXPECT_EQ(SystemColor(14), (rgb_color{0, 0, 0, 0}));
	EXPECT_EQ(SystemColor(15), (rgb_color{0, 0, 0, 0}));
	// Outside the table: entry 0.
	EXPECT_EQ(SystemColor(21), SystemColor(0));
	EXPECT_EQ(SystemColor(5000), SystemColor(0));
	EXPECT_EQ(SystemColor(-1), SystemColor(0));
}

TEST(SystemColors, ContrastTurnsBlackAtAChannelSumOf384)
{
	const rgb_color black{0, 0, 0, 255};
	const rgb_color white{255, 255, 255, 255};
	EXPECT_EQ(ContrastingBlackOrWhite(rgb_color{128, 128, 128, 255}), black);
	EXPECT_EQ(ContrastingBlackOrWhite(rgb_color{128, 128, 127, 255}), white);
	EXPECT_EQ(ContrastingBlackOrWhite(rgb_color{255, 255, 255, 0}), black);
	EXPECT_EQ(ContrastingBlackOrWhite(rgb_color{0, 0, 0, 255}), white);
}

// --- scripting ---

TEST(ApplicationScripting, CountsAndListsOfWindowsAndLoopers)
{
	TestApp app;
	BLooper* other = StartOtherLooper();
	BMessenger otherMessenger(other, other);
	ScriptClient client({
		ScriptRequest(kCountProperties, {DirectSpecifier("Window")}),
		ScriptRequest(kCountProperties, {DirectSpecifier("Looper")}),
		ScriptRequest(kGetProperty, {DirectSpecifier("Loopers")}),
		ScriptRequest(kGetProperty, {DirectSpecifier("Windows")}),
		ScriptRequest(kGetProperty, {DirectSpecifier("Name")}),
	});
	client.RunOn(app);
	QuitOtherLooper(other);

	ASSERT_EQ(client.replies.size(), 5u);
	for (const BMessage& reply : client.replies)
		EXPECT_EQ(reply.what, kReplyCode);
	EXPECT_EQ(ResultOf(client.replies[0]), 0);
	EXPECT_EQ(ResultOf(client.replies[1]), 2);
	BMessenger first;
	BMessenger second;
	BMessenger third;
	EXPECT_EQ(client.replies[2].GetMessenger("result", 0, &first), kOk);
	EXPECT_EQ(client.replies[2].GetMessenger("result", 1, &second), kOk);
	EXPECT_NE(client.replies[2].GetMessenger("result", 2, &third), kOk);
	EXPECT_EQ(first, BMessenger(&app, &app));
	EXPECT_EQ(second, otherMessenger);
	EXPECT_NE(client.replies[3].GetMessenger("result", 0, &third), kOk);
	BString name;
	EXPECT_EQ(client.replies[4].GetText("result", &name), kOk);
	EXPECT_TRUE(name == "Test App");
	EXPECT_TRUE(zeltest::TakeDebuggerReports().empty());
}

TEST(ApplicationScripting, RequestsAreSentOnToTheLooperTheyName)
{
	TestApp app;
	BLooper* other = StartOtherLooper();
	// The other looper answers for its one handler; the application would
	// count two (itself and the client).
	BMessage countHandlers = DirectSpecifier("Handler");
	ScriptClient client({
		ScriptRequest(kCountProperties, {countHandlers, IndexSpecifier("Looper", 1)}),
		ScriptRequest(kCountProperties, {countHandlers, IndexSpecifier("Looper", 1, true)}),
		ScriptRequest(kCountProperties, {countHandlers, NameSpecifier("Looper", "other")}),
		ScriptRequest(kCountProperties, {countHandlers, IdSpecifier("Looper", other->Token())}),
		ScriptRequest(kCountProperties, {countHandlers, IndexSpecifier("Looper", 0)}),
	});
	client.RunOn(app);
	QuitOtherLooper(other);

	ASSERT_EQ(client.replies.size(), 5u);
	for (size_t i = 0; i < 4; i++) {
		EXPECT_EQ(client.replies[i].what, kReplyCode) << i;
		EXPECT_EQ(ResultOf(client.replies[i]), 1) << i;
	}
	EXPECT_EQ(ResultOf(client.replies[4]), 2);
	EXPECT_TRUE(zeltest::TakeDebuggerReports().empty());
}

TEST(ApplicationScripting, UnresolvableSpecifiersAreAnsweredWithErrors)
{
	TestApp app;
	ScriptClient client({
		ScriptRequest(kGetProperty, {IndexSpecifier("Looper", 5)}),
		ScriptRequest(kGetProperty, {IndexSpecifier("Looper", -1)}),
		// Reverse index 0 counts from one past the last looper.
		ScriptRequest(kGetProperty, {IndexSpecifier("Looper", 0, true)}),
		ScriptRequest(kGetProperty, {IndexSpecifier("Window", 0)}),
		ScriptRequest(kGetProperty, {NameSpecifier("Looper", "")}),
		ScriptRequest(kGetProperty, {NameSpecifier("Looper", "nobody")}),
		ScriptRequest(kGetProperty, {NameSpecifier("Window", "Test App")}),
		ScriptRequest(kGetProperty, {IdSpecifier("Looper", 0x7FFF0FFF)}),
	});
	client.RunOn(app);

	const char* outOfRange = "window/looper index out of range";
	ASSERT_EQ(client.replies.size(), 8u);
	ExpectError(client.replies[0], kBadIndex, outOfRange);
	ExpectError(client.replies[1], kBadIndex, outOfRange);
	ExpectError(client.replies[2], kBadIndex, outOfRange);
	ExpectError(client.replies[3], kBadIndex, outOfRange);
	ExpectError(client.replies[4], kBadScriptRequest);
	ExpectError(client.replies[5], kNameNotFound);
	// The application is a looper, not a window.
	ExpectError(client.replies[6], kNameNotFound);
	ExpectError(client.replies[7], kNoSuchHandler);
	EXPECT_TRUE(zeltest::TakeDebuggerReports().empty());
}

}  // namespace
