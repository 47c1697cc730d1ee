// The uninstall window and its view: the content and its layout for each
// removal list, the text and button edge cases of the view, and the real
// program's window on the screen, ended with a real click.
#include "app/RkApp.h"
#include "app/RkView.h"
#include "app/RkWin.h"
#include "interface/Button.h"
#include "interface/Font.h"
#include "interface/StringView.h"
#include "kernel/ProcessSlots.h"
#include "tests/harness/Folders.h"
#include "tests/harness/InjectedInput.h"
#include "tests/harness/NativeChildren.h"
#include "tests/harness/TestApplication.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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
			MakeFolder(fVendorPath);
		for (const std::wstring& entry : c.vendorEntries) {
			if (entry.back() == L'\\')
				MakeFolder(Join(fVendorPath, entry.substr(0, entry.size() - 1)));
			else
				MakeFile(Join(fVendorPath, entry));
		}

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

		window->Quit();
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
void CheckShownWindowAndCancel(const std::wstring& listed)
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

	EXPECT_EQ(children[2].text, L"This utility will remove the following folder from your computer:");
	EXPECT_EQ(children[3].text, listed);
	EXPECT_EQ(children[4].text, L"OK");
	EXPECT_TRUE(children[4].enabled);
	EXPECT_EQ(children[5].text, L"Cancel");
	ClickAt(children[5].Centre());
}

TEST_F(UninstallWindow, TheProgramsWindowSitsAtItsPlaceReadsAsTextAndCancelEndsItLeavingTheFolder)
{
	std::wstring product = Join(fVendorPath, L"Brisca");
	MakeFolder(fVendorPath);
	MakeFolder(product);
	MakeFile(Join(fVendorPath, L"Readme.txt"));
	fApp.reset();

	SetProcessModuleHandle(GetModuleHandleW(nullptr));
	std::thread person;
	{
		RkApp app;
		person = std::thread([&] { CheckShownWindowAndCancel(product); });
		LoopDeadline deadline;
		(void)app.Run();
		EXPECT_FALSE(deadline.Expired()) << "the program did not end after \"Cancel\"";
	}
	person.join();
	ReleaseInjectedKeys();
	EXPECT_TRUE(Exists(product));
	EXPECT_EQ(CountTrashedEntries(L"Brisca"), 0);
}

}  // namespace
