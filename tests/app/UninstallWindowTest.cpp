// The uninstall window and its view: the content and its layout for each
// removal list, the text and button edge cases of the view, and the real
// program's window on the screen, ended with a real click.
#include "app/ExitCode.h"
#include "app/RkApp.h"
#include "app/RkView.h"
#include "app/RkWin.h"
#include "interface/Button.h"
#include "interface/Font.h"
#include "interface/StringView.h"
#include "kernel/ProcessSlots.h"
#include "kernel/WinOwner.h"
#include "tests/harness/Folders.h"
#include "tests/harness/InjectedInput.h"
#include "tests/harness/NativeChildren.h"
#include "tests/harness/TestApplication.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace zeltest;

namespace {

const char* const kRemoveLine = "This utility will remove the following folder from your computer:";
const char* const kNothingLine = "There are no folders to remove.";

std::string Utf8(const BString& text)
{
	char* utf8 = text.ToUtf8();
	std::string result = utf8 != nullptr ? utf8 : "";
	delete[] utf8;
	return result;
}

// What a child of the uninstall view shows.
struct Shown {
	std::string text;
	bool isButton;
	bool bold;
	bool enabled;

	bool operator==(const Shown& other) const
	{
		return text == other.text && isButton == other.isButton && bold == other.bold && enabled == other.enabled;
	}
};

std::ostream& operator<<(std::ostream& out, const Shown& shown)
{
	return out << (shown.isButton ? "button \"" : "line \"") << shown.text << "\"" << (shown.bold ? " bold" : "")
			   << (shown.enabled ? "" : " disabled");
}

std::vector<Shown> ShownChildren(BView* view)
{
	std::vector<Shown> shown;
	for (int32 i = 0; i < view->CountChildren(); i++) {
		BView* child = view->ChildAt(i);
		bool bold = (child->Render()->Font().Face() & kBoldFace) != 0;
		if (auto* line = dynamic_cast<BStringView*>(child))
			shown.push_back({Utf8(line->Text()), false, bold, child->IsEnabled()});
		else if (auto* button = dynamic_cast<BButton*>(child))
			shown.push_back({Utf8(button->Label()), true, bold, child->IsEnabled()});
		else
			shown.push_back({"?", false, false, false});
	}
	return shown;
}

BRect FrameOf(BView* view, int32 index)
{
	BView* child = view->ChildAt(index);
	return child != nullptr ? child->Frame() : BRect();
}

float LineHeight(BView* view)
{
	return view->Render()->Font().CombinedHeight(kAscentPart | kDescentPart | kLeadingPart);
}

class UninstallWindow : public ::testing::Test {
protected:
	void SetUp() override
	{
		ASSERT_FALSE(DocumentsFolder().empty());
		fApp = std::make_unique<TestApp>();
		fVendorPath = Join(DocumentsFolder(), L"Quorvane");
		RemoveTree(fVendorPath);
		// The removal tests share the trash; what they left there is not ours.
		EmptyTrash();
	}
	void TearDown() override
	{
		RemoveTree(fVendorPath);
		fApp.reset();
	}

	std::unique_ptr<TestApp> fApp;
	std::wstring fVendorPath;
};

// The buttons sit 5 under the last line, "Cancel" 5 in from the widest line,
// "OK" 5 left of it, both as wide as "Cancel" wants to be.
void ExpectButtonRow(BView* content, int32 lines)
{
	BButton* ok = dynamic_cast<BButton*>(content->ChildAt(lines));
	BButton* cancel = dynamic_cast<BButton*>(content->ChildAt(lines + 1));
	ASSERT_NE(ok, nullptr);
	ASSERT_NE(cancel, nullptr);
	float widest = 0.0f;
	for (int32 i = 0; i < lines; i++)
		widest = std::max(widest, FrameOf(content, i).right);
	float wanted[2] = {0.0f, 0.0f};
	ASSERT_EQ(cancel->SizeHint(kContentSizeHint, wanted), kOk);

	BRect okFrame = ok->Frame();
	BRect cancelFrame = cancel->Frame();
	EXPECT_FLOAT_EQ(cancelFrame.Width(), wanted[0]);
	EXPECT_FLOAT_EQ(okFrame.Width(), wanted[0]);
	EXPECT_FLOAT_EQ(cancelFrame.right, widest - 5.0f);
	EXPECT_FLOAT_EQ(okFrame.right, cancelFrame.left - 5.0f);
	EXPECT_FLOAT_EQ(cancelFrame.top, FrameOf(content, lines - 1).bottom + 5.0f);
	EXPECT_FLOAT_EQ(okFrame.top, cancelFrame.top);
}

TEST_F(UninstallWindow, ShowsWhatTheRemovalListHoldsLaidOutUnderTheTextAndSizedToIt)
{
	struct Case {
		const char* name;
		std::vector<std::wstring> vendorEntries;  // a trailing backslash makes a folder
		std::wstring listed;
	};
	const std::wstring product = Join(fVendorPath, L"Brisca");
	const Case cases[] = {
		{"product beside another entry", {L"Brisca\\", L"Readme.txt"}, product},
		{"vendor holding only the product", {L"Brisca\\"}, fVendorPath},
		{"no product", {L"Readme.txt"}, L""},
		{"no vendor", {}, L""},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		RemoveTree(fVendorPath);
		if (!c.vendorEntries.empty())
			MakeTree(fVendorPath, c.vendorEntries);

		RkWin* window = new RkWin();
		BView* background = window->RootView()->ChildAt(0);
		ASSERT_NE(background, nullptr);
		RkView* content = dynamic_cast<RkView*>(background->ChildAt(0));
		ASSERT_NE(content, nullptr);

		bool listed = !c.listed.empty();
		std::vector<Shown> expected;
		if (listed) {
			expected = {{kRemoveLine, false, false, true}, {Utf8(ToBString(c.listed)), false, true, true},
				{"OK", true, false, true}, {"Cancel", true, false, true}};
		} else {
			expected = {{kNothingLine, false, false, true}, {"OK", true, false, false}, {"Cancel", true, false, true}};
		}
		EXPECT_EQ(ShownChildren(content), expected);
		int32 lines = listed ? 2 : 1;
		ExpectButtonRow(content, lines);
		if (listed) {
			// One line height of the view's font separates the text from the folder.
			EXPECT_FLOAT_EQ(FrameOf(content, 1).top, FrameOf(content, 0).bottom + 2.0f + LineHeight(content));
		}

		// The view covers exactly its children; the background adds 2 at the
		// right and 5 at the bottom, and the window's content is the background.
		float size[2] = {0.0f, 0.0f};
		ASSERT_EQ(content->SizeHint(kContentSizeHint, size), kOk);
		EXPECT_EQ(content->Frame(), BRect(2.0f, 2.0f, 2.0f + size[0], 2.0f + size[1]));
		EXPECT_EQ(background->Frame(), BRect(0.0f, 0.0f, size[0] + 2.0f, size[1] + 5.0f));
		EXPECT_EQ(window->Frame(), BRect(20.0f, 40.0f, 20.0f + size[0] + 2.0f, 40.0f + size[1] + 5.0f));
		EXPECT_EQ(background->BackgroundColor(), (rgb_color{220, 220, 220, 255}));
		EXPECT_EQ(window->Name(), BString("Uninstall Brisca"));
		EXPECT_EQ(window->Folders().CountFolders(), listed ? 1 : 0);
		EXPECT_EQ(window->ExitCode(), kExitDone);

		window->Quit();
	}
}

// The content of the window for each layout, after it was built.
RkView* ContentOf(RkWin* window)
{
	BView* background = window->RootView()->ChildAt(0);
	return background != nullptr ? dynamic_cast<RkView*>(background->ChildAt(0)) : nullptr;
}

// A folder that is there but left alone for safety is shown, in bold under the
// reason, with "OK" disabled; the program is then to exit with its own code.
TEST_F(UninstallWindow, AFolderLeftAloneShowsWhyWithOKDisabled)
{
	struct Case {
		const char* name;
		std::function<void(const std::wstring& product, const std::wstring& outside)> make;
		bool vendorRefused;
		const char* reason;
	};
	const Case cases[] = {
		{"holds a link", [](auto& product, auto& outside) {
			MakeFolder(product);
			ASSERT_TRUE(MakeLink(Join(product, L"notes.txt"), Join(outside, L"keep.txt")));
		}, false, "it holds a link to another place"},
		{"vendor holding only a product that holds a link", [](auto& product, auto& outside) {
			MakeFolder(product);
			ASSERT_TRUE(MakeLink(Join(product, L"away"), outside));
		}, true, "it holds a link to another place"},
		{"is a link", [](auto& product, auto& outside) { ASSERT_TRUE(MakeLink(product, outside)); }, false,
			"it is a link to another place"},
		{"is a file", [](auto& product, auto&) { MakeFile(product); }, false, "it is a file, not a folder"},
		{"holds a path too long", [](auto& product, auto&) {
			MakeFolder(product);
			// Past the platform's plain path limit only the long form of a path reaches.
			std::wstring folder = L"\\\\?\\" + Join(product, std::wstring(255 - product.size(), L'n'));
			MakeFolder(folder);
			MakeFile(Join(folder, L"save"));
		}, false, "it holds a path too long to handle safely"},
		{"cannot be read", [](auto& product, auto&) {
			MakeFolder(product);
			MakeFolder(Join(product, L"Saves"));
		}, false, "it could not be read"},
	};
	ScratchFolder outside;
	MakeFile(outside / L"keep.txt");
	const std::wstring product = Join(fVendorPath, L"Brisca");
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		RemoveTree(fVendorPath);
		MakeFolder(fVendorPath);
		if (!c.vendorRefused)
			MakeFile(Join(fVendorPath, L"Readme.txt"));
		c.make(product, outside.Path());
		// Held open without sharing, Saves can be neither opened nor listed.
		WinHandle exclusive(CreateFileW(Join(product, L"Saves").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
			FILE_FLAG_BACKUP_SEMANTICS, nullptr));

		RkWin* window = new RkWin();
		exclusive.Reset();
		RkView* content = ContentOf(window);
		ASSERT_NE(content, nullptr);
		std::string sentence =
			std::string("This utility will not remove the following folder, because ") + c.reason + ":";
		std::string path = Utf8(ToBString(c.vendorRefused ? fVendorPath : product));
		std::vector<Shown> expected = {{sentence, false, false, true}, {path, false, true, true},
			{"OK", true, false, false}, {"Cancel", true, false, true}};
		EXPECT_EQ(ShownChildren(content), expected);
		ExpectButtonRow(content, 2);
		EXPECT_FLOAT_EQ(FrameOf(content, 1).top, FrameOf(content, 0).bottom + 2.0f + LineHeight(content));
		EXPECT_EQ(window->Folders().CountFolders(), 0);
		EXPECT_EQ(window->ExitCode(), kExitFolderRefused);
		window->Quit();
		EXPECT_EQ(FileContents(outside / L"keep.txt"), "brisca");
	}
}

TEST_F(UninstallWindow, NarrowTextMovesTheButtonsRightAndLongListsStopAtAHundredLines)
{
	BVector<BString> noFolders;
	const char* const narrow[] = {"Hi", nullptr};
	RkView narrowView(BRect(0.0f, 0.0f, 0.0f, 0.0f), nullptr, narrow, noFolders);
	ASSERT_EQ(narrowView.CountChildren(), 3);
	BRect ok = FrameOf(&narrowView, 1);
	BRect cancel = FrameOf(&narrowView, 2);
	EXPECT_FLOAT_EQ(ok.left, 0.0f);
	EXPECT_FLOAT_EQ(cancel.left, ok.right + 5.0f);
	EXPECT_FLOAT_EQ(cancel.Width(), ok.Width());
	float size[2] = {0.0f, 0.0f};
	ASSERT_EQ(narrowView.SizeHint(kContentSizeHint, size), kOk);
	EXPECT_FLOAT_EQ(size[0], cancel.right);

	std::vector<std::string> texts;
	for (int i = 0; i < 101; i++)
		texts.push_back("line " + std::to_string(i));
	std::vector<const char*> many;
	for (const std::string& text : texts)
		many.push_back(text.c_str());
	many.push_back(nullptr);
	BVector<BString> folders;
	folders.AddItem(BString("C:\\Quorvane\\Brisca"));
	RkView longView(BRect(0.0f, 0.0f, 0.0f, 0.0f), nullptr, many.data(), folders);
	std::vector<Shown> shown = ShownChildren(&longView);
	ASSERT_EQ(shown.size(), 100u + 1u + 2u);
	EXPECT_EQ(shown[99].text, "line 99");
	EXPECT_EQ(shown[100], (Shown{"C:\\Quorvane\\Brisca", false, true, true}));
	ExpectButtonRow(&longView, 101);
}

// --- the real program's window ---

// The window as a person and a screen reader meet it: its content's left-top at
// (20, 40), covered by the background; the laid-out view at (2, 2) reaching
// the right edge and 3 short of the bottom; every line readable as window text.
// Then a real click on "Cancel" ends the program.
void CheckShownWindowAndCancel(const std::wstring& line, const std::wstring& path, bool okEnabled)
{
	HWND window = WaitForShownWindow(L"Uninstall Brisca");
	ASSERT_NE(window, nullptr);
	POINT origin = {0, 0};
	ClientToScreen(window, &origin);
	EXPECT_EQ(origin.x, 20);
	EXPECT_EQ(origin.y, 40);
	RECT client;
	GetClientRect(window, &client);

	std::vector<NativeChild> children = ListNativeChildren(window);
	ASSERT_EQ(children.size(), 2u + 4u);
	const RECT& background = children[0].screen;
	const RECT& content = children[1].screen;
	EXPECT_EQ(background.left - origin.x, 0);
	EXPECT_EQ(background.top - origin.y, 0);
	EXPECT_EQ(background.right - origin.x, client.right);
	EXPECT_EQ(background.bottom - origin.y, client.bottom);
	EXPECT_EQ(content.left - origin.x, 2);
	EXPECT_EQ(content.top - origin.y, 2);
	EXPECT_EQ(content.right - origin.x, client.right);
	EXPECT_EQ(content.bottom - origin.y, client.bottom - 3);

	EXPECT_EQ(children[2].text, line);
	EXPECT_EQ(children[3].text, path);
	EXPECT_EQ(children[4].text, L"OK");
	EXPECT_EQ(children[4].enabled, okEnabled);
	EXPECT_EQ(children[5].text, L"Cancel");
	ClickAt(children[5].Centre());
}

// The exit code travels from the window to the application, which the entry
// point returns: 0 after "Cancel", the refusal's code for a folder left alone.
TEST_F(UninstallWindow, TheProgramsWindowReadsAsTextAndCancelEndsItWithItsExitCodeLeavingTheFolder)
{
	struct Case {
		const char* name;
		bool holdsLink;
		const wchar_t* line;
		bool okEnabled;
		int32 exitCode;
	};
	const Case cases[] = {
		{"listed", false, L"This utility will remove the following folder from your computer:", true, kExitDone},
		{"left alone", true, L"This utility will not remove the following folder, because it holds a link to another "
							 L"place:", false, kExitFolderRefused},
	};
	std::wstring product = Join(fVendorPath, L"Brisca");
	fApp.reset();
	SetProcessModuleHandle(GetModuleHandleW(nullptr));
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		RemoveTree(fVendorPath);
		MakeFolder(fVendorPath);
		MakeFolder(product);
		MakeFile(Join(fVendorPath, L"Readme.txt"));
		if (c.holdsLink) {
			ASSERT_TRUE(MakeLink(Join(product, L"up"), fVendorPath));
		}

		std::thread person;
		int32 exitCode = -1;
		{
			RkApp app;
			person = std::thread([&] { CheckShownWindowAndCancel(c.line, product, c.okEnabled); });
			LoopDeadline deadline;
			(void)app.Run();
			EXPECT_FALSE(deadline.Expired()) << "the program did not end after \"Cancel\"";
			exitCode = app.ExitCode();
		}
		person.join();
		ReleaseInjectedKeys();
		EXPECT_EQ(exitCode, c.exitCode);
		EXPECT_TRUE(Exists(product));
		EXPECT_EQ(CountTrashedEntries(L"Brisca"), 0);
	}
}

}  // namespace
