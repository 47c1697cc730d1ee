// BCursor and the process's table of cursors.
//
// Indices 0 to 11 of the table are the platform's shared system cursors, which
// are never destroyed; 12 to 15 are 16 x 16 cursors of the framework's own,
// made from cursor data. Each entry is made on first request under the lock
// "Cursor:g_cursorLock" and kept for the life of the process; any thread may
// ask for one.
#pragma once

#include "interface/WinGdi.h"
#include "support/Locker.h"
#include "support/SupportDefs.h"

#include <windows.h>

#include <atomic>

constexpr int32 kCursorCount = 16;
// The cursor a view shows when it has none of its own.
constexpr int32 kDefaultCursor = 0;

class BCursor {
public:
	// Cursor data: byte size (width = height), byte depth (1), byte hot-spot x,
	// byte hot-spot y, then the colour plane and the mask plane, size * size / 8
	// bytes each, rows top to bottom, most significant bit first (colour 1 is
	// black, mask 1 opaque). A cursor the platform cannot make, or data of
	// another depth or of a size that is not a multiple of 16, has a null handle.
	explicit BCursor(const uint8* data);
	// Wraps a shared system cursor, which is never destroyed.
	explicit BCursor(HCURSOR shared);
	virtual ~BCursor();

	BCursor(const BCursor&) = delete;
	BCursor& operator=(const BCursor&) = delete;

	HCURSOR Handle() const { return fIsShared ? fShared : fMade.Get(); }
	bool IsShared() const { return fIsShared; }

private:
	// A cursor made from data is owned; a shared one never is.
	WinCursor fMade;
	HCURSOR fShared = nullptr;
	bool fIsShared = false;
};

// The table entry, made on first use; null for an index outside the table.
const BCursor* CursorAt(int32 index);

namespace BPrivate {

// A table of the kCursorCount cursors, each made on first request under the
// table's lock and kept until the table goes; a request for an entry that
// exists reads it without the lock. CursorAt answers from the process's table,
// whose lock is "Cursor:g_cursorLock".
class CursorTable {
public:
	explicit CursorTable(const char* lockName);
	~CursorTable();

	CursorTable(const CursorTable&) = delete;
	CursorTable& operator=(const CursorTable&) = delete;

	// Null for an index outside the table, or when the cursor object cannot be allocated.
	const BCursor* At(int32 index);

private:
	BLocker fLock;
	std::atomic<BCursor*> fEntries[kCursorCount] = {};
};

// The cursor data of the framework's own cursors, indices 12 to 15; null for
// any other index.
const uint8* BuiltInCursorData(int32 index);

// The platform's and- and xor-planes from the framework's colour and mask
// planes, byte by byte: and = ~mask & ~colour, xor = mask & ~colour.
void ConvertCursorPlanes(const uint8* colour, const uint8* mask, int32 bytes, uint8* andPlane, uint8* xorPlane);

}  // namespace BPrivate
