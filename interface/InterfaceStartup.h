// What the application needs of the interface layer: its start-up and
// teardown with each application, and the knowledge of which loopers are
// windows.
//
// The application calls StartInterface while it is constructed and
// StopInterface when it is destroyed, both on its thread, before any window
// exists and after the last one went. The window queries may be called from
// any thread, on loopers the caller has listed (and, for the exemption, locked).
#pragma once

#include "support/SupportDefs.h"

class BLooper;

namespace BPrivate {

// Common controls, the system colours, fonts and metrics, the key tables, the
// default cursor and the current drag message's lock. What lives as long as
// the process (the system fonts, the cursor table, the key tables) is made by
// the first application only. kNoMemory when the drag message's lock could not
// be made.
[[nodiscard]] status_t StartInterface();
// Frees what StartInterface made for this application, so that one process
// may run many applications without accumulating resources.
void StopInterface();

// The looper is a BWindow.
bool IsWindowLooper(const BLooper* looper);
// A window that excuses itself from the application's polite quit. Expects
// the window locked.
bool IsExemptFromQuit(BLooper* window);

}  // namespace BPrivate
