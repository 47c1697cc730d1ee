// DebuggerHook: the box that reports fatal misuse, and its seam for tests.
#include "kernel/DebuggerHook.h"

#include "support/DebugDataIO.h"
#include "support/DebugFormat.h"

#include <windows.h>

#include <atomic>

namespace {

constexpr UINT kDebuggerBoxStyle = MB_TASKMODAL | MB_ICONHAND | MB_OKCANCEL;

std::atomic<DebuggerBoxObserver> sBoxObserver{nullptr};

int32 ShowDebuggerBox(const char* message)
{
	DebuggerBoxObserver observer = sBoxObserver.load(std::memory_order_acquire);
	if (observer != nullptr)
		return observer(message);
	return MessageBoxA(nullptr, message, "Debugger Called!", kDebuggerBoxStyle);
}

}  // namespace

DebuggerBoxObserver SetDebuggerBoxObserver(DebuggerBoxObserver observer)
{
	return sBoxObserver.exchange(observer, std::memory_order_acq_rel);
}

int32 DebuggerHook(const char* message)
{
	if (message == nullptr)
		message = "";
	// The line end sends the text to the debugger before the box appears.
	BPrivate::DebugOut(gDebuggerOut) << "DEBUGGER: " << message << BPrivate::kEndLine;
	int32 answer = ShowDebuggerBox(message);
	if (answer == IDCANCEL) {
		DebugBreak();
		return 0;
	}
	return answer;
}
