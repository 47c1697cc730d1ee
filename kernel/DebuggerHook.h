// DebuggerHook: the single report channel for fatal misuse of the framework.
//
// The text goes to the debugger stream, then a task-modal box captioned
// "Debugger Called!" offers OK and Cancel; Cancel breaks into the debugger.
// The program goes on after the hook either way unless a debugger stops it.
#pragma once

#include "support/SupportDefs.h"

// Returns the box's answer, or 0 after breaking into the debugger on Cancel.
int32 DebuggerHook(const char* message);

// Stands in for the box, so that tests observe the text instead of blocking on
// a modal window. It returns what the box would have (IDOK, IDCANCEL). A null
// observer brings the box back. Returns the observer it replaced.
typedef int32 (*DebuggerBoxObserver)(const char* message);
DebuggerBoxObserver SetDebuggerBoxObserver(DebuggerBoxObserver observer);
