// Cursors: the shared system cursors, the framework's own cursors made from
// their data (read back from the platform's cursor), the plane conversion and
// the table's one-time creation under concurrent first requests.
#include "interface/Cursor.h"

#include "interface/WinGdi.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int32 kSystemCursorIds[] = {32512, 32513, 32515, 32649, 32648, 32646, 32643, 32645, 32642, 32644,
	32516, 32514};

// A monochrome cursor as the platform holds it: the and-plane rows, then the
// xor-plane rows, each row padded to 16 bits.
struct PlatformCursor {
	bool valid = false;
	bool hasColourBitmap = false;
	POINT hotSpot = {};
	int width = 0;
	int height = 0;
	std::vector<uint8> planes;
};

PlatformCursor ReadCursor(HCURSOR cursor)
{
	PlatformCursor read;
	ICONINFO info;
	if (!GetIconInfo(cursor, &info))
		return read;
	WinBitmap mask(info.hbmMask);
	WinBitmap colour(info.hbmColor);
	BITMAP bitmap;
	if (GetObjectW(mask.Get(), sizeof(bitmap), &bitmap) == 0)
		return read;
	read.valid = true;
	read.hasColourBitmap = colour.IsValid();
	read.hotSpot = {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
	read.width = bitmap.bmWidth;
	read.height = bitmap.bmHeight;
	read.planes.resize(static_cast<size_t>(bitmap.bmWidthBytes * bitmap.bmHeight));
	GetBitmapBits(mask.Get(), static_cast<LONG>(read.planes.size()), read.planes.data());
	return read;
}

TEST(CursorTable, SystemCursorsAreSharedAndNeverDestroyed)
{
	for (int32 index = 0; index < 12; index++) {
		SCOPED_TRACE(index);
		const BCursor* cursor = CursorAt(index);
		ASSERT_NE(cursor, nullptr);
		EXPECT_TRUE(cursor->IsShared());
		EXPECT_EQ(cursor->Handle(), LoadCursorW(nullptr, MAKEINTRESOURCEW(kSystemCursorIds[index])));
		EXPECT_EQ(CursorAt(index), cursor) << "the entry is made once";
	}
	EXPECT_EQ(CursorAt(-1), nullptr);
	EXPECT_EQ(CursorAt(kCursorCount), nullptr);

	// A table that goes destroys the cursors it made and leaves the system's alone.
	std::vector<HCURSOR> handles;
	{
		BPrivate::CursorTable table("test cursors");
		for (int32 index = 0; index < kCursorCount; index++)
			handles.push_back(table.At(index)->Handle());
	}
	for (int32 index = 0; index < kCursorCount; index++)
		EXPECT_EQ(ReadCursor(handles[index]).valid, index < 12) << index;
}

TEST(CursorTable, OwnCursorsAreMadeFromTheirData)
{
	for (int32 index = 12; index < kCursorCount; index++) {
		SCOPED_TRACE(index);
		const uint8* data = BPrivate::BuiltInCursorData(index);
		ASSERT_NE(data, nullptr);
		ASSERT_EQ(data[0], 16);
		ASSERT_EQ(data[1], 1);
		const BCursor* cursor = CursorAt(index);
		ASSERT_NE(cursor, nullptr);
		EXPECT_FALSE(cursor->IsShared());

		PlatformCursor read = ReadCursor(cursor->Handle());
		ASSERT_TRUE(read.valid);
		EXPECT_FALSE(read.hasColourBitmap);
		EXPECT_EQ(read.hotSpot.x, data[2]);
		EXPECT_EQ(read.hotSpot.y, data[3]);
		EXPECT_EQ(read.width, 16);
		EXPECT_EQ(read.height, 32) << "an and-plane above an xor-plane";
		std::array<uint8, 64> expected;
		BPrivate::ConvertCursorPlanes(data + 4, data + 36, 32, expected.data(), expected.data() + 32);
		ASSERT_EQ(read.planes.size(), expected.size());
		EXPECT_TRUE(std::equal(expected.begin(), expected.end(), read.planes.begin()));
	}
	EXPECT_EQ(BPrivate::BuiltInCursorData(11), nullptr);
}

TEST(CursorPlanes, ConversionIsExactForEveryPixelKindAndBadDataMakesNoCursor)
{
	// The first byte holds each of the four kinds twice (colour 1100, mask 1010);
	// then whole bytes of opaque white, opaque black, transparent and black
	// outside the mask.
	const uint8 colour[] = {0xCC, 0x00, 0xFF, 0x00, 0xFF};
	const uint8 mask[] = {0xAA, 0xFF, 0xFF, 0x00, 0x00};
	const uint8 expectedAnd[] = {0x11, 0x00, 0x00, 0xFF, 0x00};
	const uint8 expectedXor[] = {0x22, 0xFF, 0x00, 0x00, 0x00};
	uint8 andPlane[5];
	uint8 xorPlane[5];
	BPrivate::ConvertCursorPlanes(colour, mask, 5, andPlane, xorPlane);
	for (int i = 0; i < 5; i++) {
		EXPECT_EQ(andPlane[i], expectedAnd[i]) << i;
		EXPECT_EQ(xorPlane[i], expectedXor[i]) << i;
	}

	// A 32 x 32 cursor reads back with every kind where it was put.
	std::vector<uint8> data(4 + 2 * 128, 0);
	data[0] = 32;
	data[1] = 1;
	data[2] = 3;
	data[3] = 30;
	for (int i = 0; i < 128; i++) {
		data[4 + i] = colour[i % 5];
		data[4 + 128 + i] = mask[i % 5];
	}
	BCursor large(data.data());
	PlatformCursor read = ReadCursor(large.Handle());
	ASSERT_TRUE(read.valid);
	EXPECT_EQ(read.hotSpot.x, 3);
	EXPECT_EQ(read.hotSpot.y, 30);
	ASSERT_EQ(read.planes.size(), 256u);
	for (int i = 0; i < 128; i++) {
		ASSERT_EQ(read.planes[i], expectedAnd[i % 5]) << i;
		ASSERT_EQ(read.planes[128 + i], expectedXor[i % 5]) << i;
	}

	// Another depth, or rows the platform would have to pad, give no cursor
	// rather than a read past the data.
	for (auto header : {std::array<uint8, 2>{16, 2}, std::array<uint8, 2>{8, 1}, std::array<uint8, 2>{0, 1}}) {
		data[0] = header[0];
		data[1] = header[1];
		BCursor refused(data.data());
		EXPECT_EQ(refused.Handle(), nullptr) << int(header[0]) << " x " << int(header[1]);
	}
	EXPECT_EQ(BCursor(static_cast<const uint8*>(nullptr)).Handle(), nullptr);
}

TEST(CursorTable, ConcurrentFirstRequestsMakeEachEntryOnce)
{
	constexpr int kThreads = 8;
	for (int round = 0; round < 10; round++) {
		BPrivate::CursorTable table("race");
		std::atomic<int> ready{0};
		std::vector<std::array<const BCursor*, kCursorCount>> seen(kThreads);
		std::vector<std::thread> threads;
		for (int t = 0; t < kThreads; t++) {
			threads.emplace_back([&, t] {
				ready++;
				while (ready.load() < kThreads) {
				}
				// Half the threads walk the table backwards, so every entry is raced for.
				for (int32 i = 0; i < kCursorCount; i++) {
					int32 index = t % 2 == 0 ? i : kCursorCount - 1 - i;
					seen[t][index] = table.At(index);
				}
			});
		}
		for (std::thread& thread : threads)
			thread.join();
		for (int32 index = 0; index < kCursorCount; index++) {
			ASSERT_NE(seen[0][index], nullptr);
			for (int t = 1; t < kThreads; t++)
				ASSERT_EQ(seen[t][index], seen[0][index]) << "round " << round << ", entry " << index;
		}
	}
}

}  // namespace
