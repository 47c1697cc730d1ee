// Cursors: the platform's shared system cursors and the framework's own
// 16 x 16 cursors, drawn below as pictures and packed into cursor data when
// the program is compiled.
#include "interface/Cursor.h"

#include "kernel/ProcessSlots.h"
#include "support/Autolock.h"

#include <cstdlib>
#include <new>

namespace {

constexpr int32 kFirstBuiltInCursor = 12;
constexpr int32 kSystemCursorIds[kFirstBuiltInCursor] = {
	32512,  // arrow
	32513,  // text beam
	32515,  // cross
	32649,  // hand
	32648,  // no
	32646,  // size all
	32643,  // size north-east/south-west
	32645,  // size north/south
	32642,  // size north-west/south-east
	32644,  // size west/east
	32516,  // up arrow
	32514,  // wait
};

// Cursor data: the four header bytes, then the colour and the mask plane.
constexpr int32 kHeaderBytes = 4;
constexpr int32 kPictureSize = 16;
constexpr int32 kPicturePlaneBytes = kPictureSize * kPictureSize / 8;
// The platform wants each row of a plane padded to 16 bits; sizes that are a
// multiple of 16 need no padding, so the planes pass through byte for byte.
constexpr int32 kRowAlignment = 16;

struct CursorData {
	uint8 bytes[kHeaderBytes + 2 * kPicturePlaneBytes];
};

// A picture is 16 rows of 16 characters: '#' black, '.' white, ' ' transparent.
// The hot spot is the centre, (8, 8).
constexpr CursorData PackPicture(const char (&picture)[kPictureSize * kPictureSize + 1])
{
	CursorData data{};
	data.bytes[0] = kPictureSize;
	data.bytes[1] = 1;
	data.bytes[2] = kPictureSize / 2;
	data.bytes[3] = kPictureSize / 2;
	for (int32 pixel = 0; pixel < kPictureSize * kPictureSize; pixel++) {
		uint8 bit = static_cast<uint8>(0x80 >> (pixel % 8));
		int32 byte = pixel / 8;
		if (picture[pixel] == '#')
			data.bytes[kHeaderBytes + byte] |= bit;
		if (picture[pixel] != ' ')
			data.bytes[kHeaderBytes + kPicturePlaneBytes + byte] |= bit;
	}
	return data;
}

constexpr CursorData kBuiltInCursors[kCursorCount - kFirstBuiltInCursor] = {
	// 12: a vertical bar with arrows to both sides.
	PackPicture("      ....      "
	            "      .##.      "
	            "      .##.      "
	            "   ....##....   "
	            "  ..#..##..#..  "
	            " ..##..##..##.. "
	            "..###..##..###.."
	            ".##############."
	            ".##############."
	            "..###..##..###.."
	            " ..##..##..##.. "
	            "  ..#..##..#..  "
	            "   ....##....   "
	            "      .##.      "
	            "      .##.      "
	            "      ....      "),
	// 13: a vertical bar with an arrow to the left.
	PackPicture("      ....      "
	            "      .##.      "
	            "      .##.      "
	            "   ....##.      "
	            "  ..#..##.      "
	            " ..##..##.      "
	            "..###..##.      "
	            ".########.      "
	            ".########.      "
	            "..###..##.      "
	            " ..##..##.      "
	            "  ..#..##.      "
	            "   ....##.      "
	            "      .##.      "
	            "      .##.      "
	            "      ....      "),
	// 14: a vertical bar with an arrow to the right.
	PackPicture("      ....      "
	            "      .##.      "
	            "      .##.      "
	            "      .##....   "
	            "      .##..#..  "
	            "      .##..##.. "
	            "      .##..###.."
	            "      .########."
	            "      .########."
	            "      .##..###.."
	            "      .##..##.. "
	            "      .##..#..  "
	            "      .##....   "
	            "      .##.      "
	            "      .##.      "
	            "      ....      "),
	// 15: arrows in four directions.
	PackPicture("      ....      "
	            "     ..##..     "
	            "    ..####..    "
	            "    .######.    "
	            "  .....##.....  "
	            " ..#. .##. .#.. "
	            "..##...##...##.."
	            ".##############."
	            ".##############."
	            "..##...##...##.."
	            " ..#. .##. .#.. "
	            "  .....##.....  "
	            "    .######.    "
	            "    ..####..    "
	            "     ..##..     "
	            "      ....      "),
};

BCursor* MakeCursor(int32 index)
{
	if (index < kFirstBuiltInCursor)
		return new (std::nothrow) BCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(kSystemCursorIds[index])));
	return new (std::nothrow) BCursor(BPrivate::BuiltInCursorData(index));
}

// The process's cursors; they live until the process ends.
BPrivate::CursorTable g_cursorTable("Cursor:g_cursorLock");

}  // namespace

BCursor::BCursor(const uint8* data)
{
	if (data == nullptr)
		return;
	int32 size = data[0];
	int32 depth = data[1];
	if (depth != 1 || size == 0 || size % kRowAlignment != 0)
		return;
	int32 planeBytes = size * size / 8;
	const uint8* colour = data + kHeaderBytes;
	const uint8* mask = colour + planeBytes;

	uint8* converted = static_cast<uint8*>(malloc(2 * static_cast<size_t>(planeBytes)));
	const uint8* andPlane = colour;
	const uint8* xorPlane = mask;
	if (converted != nullptr) {
		BPrivate::ConvertCursorPlanes(colour, mask, planeBytes, converted, converted + planeBytes);
		andPlane = converted;
		xorPlane = converted + planeBytes;
	}
	fMade.Reset(CreateCursor(ProcessModuleHandle(), data[2], data[3], size, size, andPlane, xorPlane));
	free(converted);
}

BCursor::BCursor(HCURSOR shared) : fShared(shared), fIsShared(true) {}

BCursor::~BCursor() = default;

const BCursor* CursorAt(int32 index)
{
	return g_cursorTable.At(index);
}

namespace BPrivate {

CursorTable::CursorTable(const char* lockName) : fLock(lockName) {}

CursorTable::~CursorTable()
{
	for (std::atomic<BCursor*>& entry : fEntries)
		delete entry.load(std::memory_order_acquire);
}

const BCursor* CursorTable::At(int32 index)
{
	if (index < 0 || index >= kCursorCount)
		return nullptr;
	BCursor* cursor = fEntries[index].load(std::memory_order_acquire);
	if (cursor != nullptr)
		return cursor;
	BAutolock lock(fLock);
	if (!lock.IsLocked())
		return nullptr;
	cursor = fEntries[index].load(std::memory_order_relaxed);
	if (cursor == nullptr) {
		cursor = MakeCursor(index);
		fEntries[index].store(cursor, std::memory_order_release);
	}
	return cursor;
}

const uint8* BuiltInCursorData(int32 index)
{
	if (index < kFirstBuiltInCursor || index >= kCursorCount)
		return nullptr;
	return kBuiltInCursors[index - kFirstBuiltInCursor].bytes;
}

void ConvertCursorPlanes(const uint8* colour, const uint8* mask, int32 bytes, uint8* andPlane, uint8* xorPlane)
{
	for (int32 i = 0; i < bytes; i++) {
		andPlane[i] = static_cast<uint8>(~mask[i] & ~colour[i]);
		xorPlane[i] = static_cast<uint8>(mask[i] & ~colour[i]);
	}
}

}  // namespace BPrivate
