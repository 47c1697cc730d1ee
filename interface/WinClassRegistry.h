// _WinClassRegistry: the native window classes of top-level windows.
//
// Every distinct pair of background colour and window flags gets a class of
// its own, "zel-0", "zel-1", ..., with a solid background brush of that colour
// and, for flag 0x400000, the platform's drop shadow. The registry is made on
// first use, once per application life: a caller that comes while another
// creates it waits (polling every 20 ms) until it is there. It is a
// BAppShutdown, so the application deletes it when it goes, which unregisters
// the classes (the platform deletes their brushes with them).
//
// Any thread may ask for a class; the registry's lock serialises lookup and
// registration.
#pragma once

#include "messaging/AppShutdown.h"
#include "support/Locker.h"
#include "support/String.h"
#include "support/Vector.h"

namespace BPrivate {

struct winclass_entry {
	// The background rgb_color read as one little-endian word.
	uint32 colour;
	uint32 flags;
	BString name;
};

class _WinClassRegistry : public BAppShutdown {
public:
	// The registry of the running application, made on first use; null when
	// it could not be made.
	static _WinClassRegistry* Get();

	~_WinClassRegistry() override;

	// Sets `name` to the class for this colour and these flags, registering it
	// when it is new. 0, or -1 when no class could be registered.
	[[nodiscard]] status_t FindOrRegisterClass(BString& name, uint32 colour, uint32 flags);

private:
	_WinClassRegistry() = default;
	static void Create(void* unused);

	bool FindClass(BString& name, uint32 colour, uint32 flags) const;
	[[nodiscard]] status_t RegisterNewClass(BString& name, uint32 colour, uint32 flags);

	BLocker fLock{"_WinClassRegistry::fLock"};
	BVector<winclass_entry> fEntries;
	int32 fCount = 0;
};

}  // namespace BPrivate
