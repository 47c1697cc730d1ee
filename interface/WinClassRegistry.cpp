// _WinClassRegistry: lookup and registration of the top-level window classes.
#include "interface/WinClassRegistry.h"

#include "interface/NativeWindow.h"
#include "interface/WinGdi.h"
#include "interface/Window.h"
#include "kernel/ProcessSlots.h"
#include "support/Autolock.h"
#include "support/CallOnce.h"

#include <atomic>
#include <new>

namespace BPrivate {

namespace {

constexpr wchar_t kClassMenuName[] = L"Menu";
// Every window of the class has a word of its own beside the framework's
// user data, which the platform zeroes and a caller may keep anything in.
constexpr int kExtraWindowBytes = 4;

std::atomic<int32> gRegistryOnce{0};
std::atomic<_WinClassRegistry*> gRegistry{nullptr};
// Where the next registry starts counting class names. Names are counted over
// the whole process rather than per registry, so that a class a later
// application registers never meets one an earlier application could not
// unregister. Written only by the registry's creation and deletion, which the
// once-guard keeps apart.
int32 gNextClassNumber = 0;

COLORREF ColorRefFromWord(uint32 colour)
{
	// Red in the low byte, as a COLORREF has it; the alpha byte is dropped.
	return static_cast<COLORREF>(colour & 0xFFFFFF);
}

}  // namespace

_WinClassRegistry* _WinClassRegistry::Get()
{
	CallOnce(gRegistryOnce, &Create, nullptr);
	return gRegistry.load(std::memory_order_acquire);
}

void _WinClassRegistry::Create(void*)
{
	_WinClassRegistry* registry = new (std::nothrow) _WinClassRegistry();
	if (registry != nullptr)
		registry->fCount = gNextClassNumber;
	gRegistry.store(registry, std::memory_order_release);
}

_WinClassRegistry::~_WinClassRegistry()
{
	HINSTANCE instance = ProcessModuleHandle();
	for (const winclass_entry& entry : fEntries) {
		// A class whose windows still live stays registered, with its brush,
		// and its name is not handed out again (see gNextClassNumber).
		UnregisterClassW(entry.name.Chars(), instance);
	}
	_WinClassRegistry* self = this;
	if (gRegistry.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel)) {
		gNextClassNumber = fCount;
		gRegistryOnce.store(0, std::memory_order_release);
	}
}

status_t _WinClassRegistry::FindOrRegisterClass(BString& name, uint32 colour, uint32 flags)
{
	BAutolock lock(fLock);
	if (!lock.IsLocked())
		return kError;
	return FindClass(name, colour, flags) ? kOk : RegisterNewClass(name, colour, flags);
}

bool _WinClassRegistry::FindClass(BString& name, uint32 colour, uint32 flags) const
{
	for (const winclass_entry& entry : fEntries) {
		if (entry.colour == colour && entry.flags == flags) {
			name = entry.name;
			return true;
		}
	}
	return false;
}

status_t _WinClassRegistry::RegisterNewClass(BString& name, uint32 colour, uint32 flags)
{
	winclass_entry entry{colour, flags, BString("zel-")};
	entry.name.Append(fCount);
	fCount++;
	if (entry.name.IsEmpty() || fEntries.AddItem(entry) < 0)
		return kError;
	int32 index = fEntries.CountItems() - 1;

	WinBrush brush(CreateSolidBrush(ColorRefFromWord(colour)));
	if (!brush) {
		fEntries.RemoveItemsAt(index);
		return kError;
	}
	WNDCLASSEXW windowClass = {};
	windowClass.cbSize = sizeof(windowClass);
	windowClass.style = CS_HREDRAW | CS_VREDRAW;
	if ((flags & kDropShadow) != 0)
		windowClass.style |= CS_DROPSHADOW;
	windowClass.lpfnWndProc = TopLevelWindowProc;
	windowClass.cbWndExtra = kExtraWindowBytes;
	windowClass.hInstance = ProcessModuleHandle();
	windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
	windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
	windowClass.hbrBackground = brush.Get();
	windowClass.lpszMenuName = kClassMenuName;
	windowClass.lpszClassName = entry.name.Chars();
	if (RegisterClassExW(&windowClass) == 0) {
		fEntries.RemoveItemsAt(index);
		return kError;
	}
	// The class owns its background brush from now on: the platform deletes it
	// when the class is unregistered.
	brush.Release();
	name = entry.name;
	return kOk;
}

}  // namespace BPrivate
