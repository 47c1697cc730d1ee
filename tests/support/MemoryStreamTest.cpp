// BPositionIO's sequential transfers, the BDataIO defaults, and the memory
// stream that continues into a next stream.
#include "support/MemoryStreamIO.h"
#include "support/PositionIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace {

// A positioned stream over a string; a transfer of `failAt` bytes fails.
class StringPositionIO : public BPositionIO {
public:
	explicit StringPositionIO(std::string text) : fText(std::move(text)) {}

	int32 ReadAt(int32 position, void* buffer, size_t size) override
	{
		if (size == fFailingSize)
			return kBadValue;
		size_t count = std::min(size, fText.size() - static_cast<size_t>(position));
		std::memcpy(buffer, fText.data() + position, count);
		return static_cast<int32>(count);
	}
	int32 WriteAt(int32 position, const void* buffer, size_t size) override
	{
		if (size == fFailingSize)
			return kBadValue;
		fText.replace(static_cast<size_t>(position), size, static_cast<const char*>(buffer), size);
		return static_cast<int32>(size);
	}
	int32 Seek(int32 position, int32) override { return fPosition = position; }
	int32 Position() const override { return fPosition; }

	std::string fText;
	int32 fPosition = 0;
	size_t fFailingSize = 99;
};

TEST(PositionIO, ReadAndWriteMoveThePositionOnlyOnSuccess)
{
	StringPositionIO stream("abcdefgh");
	char buffer[8] = {};
	EXPECT_EQ(stream.Read(buffer, 3), 3);
	EXPECT_EQ(stream.Position(), 3);
	EXPECT_EQ(stream.Write("XY", 2), 2);
	EXPECT_EQ(stream.Position(), 5);
	EXPECT_EQ(stream.fText, "abcXYfgh");
	EXPECT_EQ(stream.Read(buffer, 99), kBadValue);
	EXPECT_EQ(stream.Write(buffer, 99), kBadValue);
	EXPECT_EQ(stream.Position(), 5);

	EXPECT_EQ(stream.SetSize(2), kError);
	EXPECT_EQ(stream.Sync(), kUnsupported);
}

class ScriptedStream : public BDataIO {
public:
	explicit ScriptedStream(int32 answer) : fAnswer(answer) {}
	int32 Read(void* buffer, size_t size) override
	{
		fAsked = size;
		if (fAnswer > 0)
			std::memset(buffer, 'n', static_cast<size_t>(fAnswer));
		return fAnswer;
	}
	int32 Write(const void*, size_t) override { return kNotAllowed; }

	int32 fAnswer;
	size_t fAsked = 0;
};

TEST(MemoryStreamIO, ReadsWithinTheBlockAdvance)
{
	const char block[] = "0123456789";
	BPrivate::BMemoryStreamIO stream(block, 10, nullptr);
	char buffer[16] = {};
	EXPECT_EQ(stream.Read(buffer, 4), 4);
	EXPECT_EQ(stream.Read(buffer + 4, 6), 6);
	EXPECT_EQ(std::string(buffer), "0123456789");
	EXPECT_EQ(stream.Read(buffer, 1), 0);
	EXPECT_EQ(stream.Write(block, 1), kNotAllowed);
}

TEST(MemoryStreamIO, AShortBlockWithoutNextStreamAnswersWhatItHeld)
{
	const char block[] = "0123456789";
	BPrivate::BMemoryStreamIO stream(block, 10, nullptr);
	char buffer[16] = {};
	EXPECT_EQ(stream.Read(buffer, 16), 10);
	EXPECT_EQ(std::string(buffer), "0123456789");
	EXPECT_EQ(stream.Read(buffer, 16), 0);
}

TEST(MemoryStreamIO, ContinuesIntoTheNextStream)
{
	const char block[] = "0123456789";
	ScriptedStream next(6);
	BPrivate::BMemoryStreamIO stream(block, 10, &next);
	char buffer[17] = {};
	EXPECT_EQ(stream.Read(buffer, 16), 16);
	EXPECT_EQ(next.fAsked, 6u);
	EXPECT_EQ(std::string(buffer), "0123456789nnnnnn");
	// Once the block is used up every read goes to the next stream.
	EXPECT_EQ(stream.Read(buffer, 3), 6);
	EXPECT_EQ(next.fAsked, 3u);
}

TEST(MemoryStreamIO, AFailureOfTheNextStreamIsPassedOnUnchanged)
{
	const char block[] = "0123";
	ScriptedStream next(kBadData);
	BPrivate::BMemoryStreamIO stream(block, 4, &next);
	char buffer[8];
	EXPECT_EQ(stream.Read(buffer, 8), kBadData);
	EXPECT_EQ(std::memcmp(buffer, "0123", 4), 0);
}

}  // namespace
