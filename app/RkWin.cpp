// RkWin: the uninstaller's only window, "Uninstall Brisca".
#include "app/RkWin.h"

#include "app/RkView.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"

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

}  // namespace

RkWin::RkWin()
	: BWindow(kInitialFrame, BString(kTitle), kToolWindowLook, kNormalFeel, kNotResizable)
{
	fFolders.FindFolders();
	BuildContent();
}

RkWin::~RkWin() = default;

// Without memory for the views the window stays empty at its initial frame.
void RkWin::BuildContent()
{
	const char* const* lines = fFolders.CountFolders() > 0 ? kFolderLines : kNoFolderLines;
	RkView* content = new (std::nothrow) RkView(BRect(2.0f, 2.0f, 2.0f, 2.0f), nullptr, lines, fFolders.Folders());
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
			// Failures, and a list that no longer matches the disk, are not
			// reported: the window closes as after a removal.
			(void)fFolders.RemoveFolders();
			(void)Post(kQuitRequested);
			break;
		default:
			BWindow::HandleMessage(message);
			break;
	}
}

bool RkWin::ConfirmQuit()
{
	BMessage request(kQuitRequested);
	// Without an application there is nothing left to ask; the window closes anyway.
	(void)ApplicationMessenger().Send(&request);
	return true;
}
