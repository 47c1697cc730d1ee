// The interface layer's start-up with each application, and window detection.
#include "interface/InterfaceStartup.h"

#include "interface/Cursor.h"
#include "interface/DragMessage.h"
#include "interface/Font.h"
#include "interface/InterfaceMetrics.h"
#include "interface/Keyboard.h"
#include "interface/SystemColors.h"
#include "interface/Window.h"
#include "support/DebugDataIO.h"
#include "support/DebugFormat.h"

#include <windows.h>
#include <commctrl.h>

namespace BPrivate {

namespace {

constexpr DWORD kCommonControlClasses = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES | ICC_USEREX_CLASSES;

// An empty window is all a user sees of missing fonts: the error output says why.
void ReportMissingSystemFonts(status_t status)
{
	const char* why = nullptr;
	switch (status) {
	case kOk:
		return;
	case kNameNotFound:
		why = "no font of the platform's faces, the generic sans-serif family or any TrueType family "
			  "(no TrueType font installed, or GDI+ not started)";
		break;
	case kNoMemory:
		why = "out of memory";
		break;
	default:
		why = "the platform's font settings could not be read";
		break;
	}
	DebugOut(gErrorOut) << "StartInterface: no system fonts, views draw no text: " << why << kEndLine;
}

}  // namespace

status_t StartInterface()
{
	INITCOMMONCONTROLSEX controls = {sizeof(controls), kCommonControlClasses};
	InitCommonControlsEx(&controls);
	LoadSystemColors();
	// Made once per process. Without them views draw no text and measure 0,
	// the metrics that depend on the fonts read 0, and the next application
	// tries again.
	ReportMissingSystemFonts(StartSystemFonts());
	LoadInterfaceMetrics();
	LoadKeyTables();
	// The cursor every view shows by default, ready before the first view.
	CursorAt(kDefaultCursor);
	return CreateDragMessageLock();
}

void StopInterface()
{
	DestroyDragMessageLock();
	ClearInterfaceMetrics();
}

bool IsWindowLooper(const BLooper* looper)
{
	return dynamic_cast<const BWindow*>(looper) != nullptr;
}

bool IsExemptFromQuit(BLooper* looper)
{
	BWindow* window = dynamic_cast<BWindow*>(looper);
	return window != nullptr && (window->IsQuitExempt() || window->IsSystemWindow());
}

}  // namespace BPrivate
