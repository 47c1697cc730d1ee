// RkWin: the uninstaller's only window, "Uninstall Brisca".
#include "app/RkWin.h"

#include "app/ExitCode.h"
#include "app/RkView.h"
#include "interface/NativeHandle.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"

#include <windows.h>

#include <new>

namespace {

// The content's left-top corner stays here; the size follows the content.
const BRect kInitialFrame(20.0f, 40.0f, 500.0f, 500.0f);
const char* const kTitle = "Uninstall Brisca";

const char* const kFolderLines[] = {"This utility will remove the following folder from your computer:", nullptr};
const char* const kNoFolderLines[] = {"There are no folders to remove.", nullptr};

// Room the content view leaves on the background at its right and bottom.
constexpr float kRightMargin = 2.0f;
constexpr float kBottomMargin = 5.0f;
const rgb_color kContentBackground = {220, 220, 220, 255};

// Why a folder that is there is left alone, in place of the explanatory line.
const char* RefusalLine(FolderTreeState reason)
{
	switch (reason) {
		case FolderTreeState::kLink:
			return "This utility will not remove the following folder, because it is a link to another place:";
		case FolderTreeState::kHoldsLink:
			return "This utility will not remove the following folder, because it holds a link to another place:";
		case FolderTreeState::kNotAFolder:
			return "This utility will not remove the following folder, because it is a file, not a folder:";
		case FolderTreeState::kPathTooLong:
			return "This utility will not remove the following folder, because it holds a path too long to handle "
				   "safely:";
		case FolderTreeState::kContained:
		case FolderTreeState::kMissing:
		case FolderTreeState::kUnreadable:
			break;
	}
	return "This utility will not remove the following folder, because it could not be read:";
}

}  // namespace

RkWin::RkWin()
	: BWindow(kInitialFrame, BString(kTitle), kToolWindowLook, kNormalFeel, kNotResizable), fExitCode(kExitDone)
{
	fFolders.FindFolders();
	if (fFolders.CountFolders() == 0 && fFolders.RefusedFolder().Length() > 0)
		fExitCode = kExitFolderRefused;
	BuildContent();
}

RkWin::~RkWin() = default;

// Without memory for the views the window stays empty at its initial frame.
void RkWin::BuildContent()
{
	const char* const refusalLines[] = {RefusalLine(fFolders.RefusalReason()), nullptr};
	BVector<BString> refused;
	const char* const* lines = kNoFolderLines;
	const BVector<BString>* shown = &fFolders.Folders();
	if (fFolders.CountFolders() > 0) {
		lines = kFolderLines;
	} else if (fExitCode == kExitFolderRefused) {
		lines = refusalLines;
		// Without memory for the path the reason still shows, above no path.
		refused.AddItem(fFolders.RefusedFolder());
		shown = &refused;
	}
	RkView* content = new (std::nothrow)
		RkView(BRect(2.0f, 2.0f, 2.0f, 2.0f), nullptr, lines, *shown, fFolders.CountFolders() > 0);
	if (content == nullptr)
		return;
	(void)content->FitToSizeHint(kContentSizeHint);  // a view's content hint always answers

	BRect bounds = content->Bounds();
	float width = bounds.Width() + kRightMargin;
	float height = bounds.Height() + kBottomMargin;
	BView* background = new (std::nothrow) BView(BRect(0.0f, 0.0f, width, height), nullptr, kFollowLeftTop, 0);
	if (background == nullptr) {
		delete content;
		return;
	}
	background->SetBackgroundColor(kContentBackground);
	// New views under a view without a window, and a new view under the new
	// window, are always taken.
	(void)background->AddChild(content);
	(void)AddChild(background);
	(void)SetSize(width, height);  // without a native window yet the frame changes at once
}

void RkWin::HandleMessage(BMessage* message)
{
	switch (message->what) {
		case kCancelMessage:
			(void)Post(kQuitRequested);  // posting to its own running looper cannot be refused
			break;
		case kUninstallMessage:
			Remove();
			(void)Post(kQuitRequested);
			break;
		default:
			BWindow::HandleMessage(message);
			break;
	}
}

void RkWin::Remove()
{
	RkRemovalOutcome outcome = fFolders.RemoveFolders();
	fExitCode = ExitCodeOf(outcome.result);
	BString report = OutcomeReport(outcome);
	if (report.Length() > 0)
		ShowReport(report);
}

// The platform's own message box, which screen readers read and the keyboard
// answers. Task-modal and owned by this window, so that nothing else of the
// program takes input meanwhile; while it is open, its loop also runs this
// window's painting and due messages.
void RkWin::ShowReport(const BString& text)
{
	BString caption(kTitle);
	// One button, so the answer is always OK; a box that cannot be shown leaves
	// the exit code to tell.
	(void)MessageBoxW(BPrivate::NativeHandleOf(this), text.CharsOrEmpty(), caption.CharsOrEmpty(),
		MB_OK | MB_ICONWARNING | MB_TASKMODAL);
}

bool RkWin::ConfirmQuit()
{
	// Sent before the quit request, so that the application has it when it quits.
	// Without an application there is nothing left to tell or ask; the window
	// closes anyway.
	BMessage exitCode(kExitCodeMessage);
	if (exitCode.AddInt32(kExitCodeField, fExitCode) == kOk)
		(void)ApplicationMessenger().Send(&exitCode);
	BMessage request(kQuitRequested);
	(void)ApplicationMessenger().Send(&request);
	return true;
}
