// The line streams as the debugger sees them, and every formatting form.
#include "support/DataIO.h"
#include "support/DebugDataIO.h"
#include "support/DebugFormat.h"
#include "support/String.h"
#include "tests/harness/DebugOutputCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using BPrivate::DebugOut;
using BPrivate::HexDump;
using BPrivate::kEndLine;
using zeltest::DebugOutputCapture;

namespace {

// Collects every write as it arrives, to see the items' texts and their writes.
class RecordingIO : public BDataIO {
public:
	int32 Read(void*, size_t) override { return kNotAllowed; }
	int32 Write(const void* buffer, size_t size) override
	{
		writes.emplace_back(static_cast<const char*>(buffer), size);
		return static_cast<int32>(size);
	}
	std::string All() const
	{
		std::string all;
		for (const std::string& piece : writes)
			all += piece;
		return all;
	}
	std::vector<std::string> writes;
};

template <typename T>
std::string Formatted(const T& value)
{
	RecordingIO io;
	DebugOut(&io) << value;
	EXPECT_LE(io.writes.size(), 1u);
	return io.All();
}

TEST(DebugDataIO, TextWithoutLineEndWaitsForTheLineToEnd)
{
	DebugOutputCapture capture;
	BPrivate::DebugDataIO stream;
	EXPECT_EQ(stream.Write("abc", 3), 3);
	EXPECT_TRUE(capture.Take().empty());
	EXPECT_EQ(stream.Write("def\r\n", 5), 5);
	EXPECT_EQ(capture.Take(), (std::vector<std::string>{"abcdef\r\n"}));
	EXPECT_EQ(stream.Write(nullptr, 4), 0);
	EXPECT_EQ(stream.Write("x", 0), 0);
	char buffer[4];
	EXPECT_EQ(stream.Read(buffer, 4), kNotAllowed);
	EXPECT_EQ(stream.Sync(), kUnsupported);
}

TEST(DebugDataIO, SeveralLinesOfOneWriteGoOutTogetherUpToTheLastLineEnd)
{
	DebugOutputCapture capture;
	{
		BPrivate::DebugDataIO stream;
		stream.Write("one\r\ntwo\r\nthr", 13);
		EXPECT_EQ(capture.Take(), (std::vector<std::string>{"one\r\ntwo\r\n"}));
		stream.Write("ee", 2);
		EXPECT_TRUE(capture.Take().empty());
	}
	// Destruction flushes what is left.
	EXPECT_EQ(capture.Take(), (std::vector<std::string>{"three"}));
}

TEST(DebugDataIO, LongTextGoesOutIn1023BytePieces)
{
	DebugOutputCapture capture;
	BPrivate::DebugDataIO stream;
	std::string text(2500, 'x');
	for (size_t i = 0; i < text.size(); ++i)
		text[i] = static_cast<char>('a' + i % 26);
	EXPECT_EQ(stream.Write(text.data(), text.size()), 2500);
	std::vector<std::string> pieces = capture.Take();
	ASSERT_EQ(pieces.size(), 2u);
	EXPECT_EQ(pieces[0], text.substr(0, 1023));
	EXPECT_EQ(pieces[1], text.substr(1023, 1023));
	stream.Write("\n", 1);
	EXPECT_EQ(capture.Take(), (std::vector<std::string>{text.substr(2046) + "\n"}));
}

TEST(DebugDataIO, LinesWrittenByManyThreadsAreNeverMixedInsideAWrite)
{
	DebugOutputCapture capture;
	BPrivate::DebugDataIO stream;
	std::vector<std::thread> threads;
	for (int t = 0; t < 4; ++t)
		threads.emplace_back([&stream, t] {
			std::string line(40, static_cast<char>('A' + t));
			line += "\r\n";
			for (int i = 0; i < 200; ++i)
				stream.Write(line.data(), line.size());
		});
	for (auto& thread : threads)
		thread.join();
	std::vector<std::string> lines = capture.Take();
	ASSERT_EQ(lines.size(), 800u);
	for (const std::string& line : lines) {
		ASSERT_EQ(line.size(), 42u);
		EXPECT_EQ(line.find_first_not_of(line[0]), 40u) << line;
	}
}

TEST(DebugDataIO, ProcessStreamsReachTheDebugger)
{
	DebugOutputCapture capture;
	for (BDataIO* stream : {gDebuggerOut, gErrorOut, gTokenOut, gSpareOut})
		DebugOut(stream) << "stream " << static_cast<int32>(7) << kEndLine;
	std::vector<std::string> lines = capture.Take();
	ASSERT_EQ(lines.size(), 4u);
	for (const std::string& line : lines)
		EXPECT_EQ(line, "stream 7\r\n");
}

TEST(DebugFormat, TextsStringsAndNumbers)
{
	EXPECT_EQ(Formatted("plain"), "plain");
	EXPECT_EQ(Formatted(static_cast<const char*>(nullptr)), "(nil)");
	EXPECT_EQ(Formatted(BString("Gr\xC3\xBC\xC3\x9F" "e")), "Gr\xC3\xBC\xC3\x9F" "e");
	EXPECT_EQ(Formatted(BString()), "Null");
	EXPECT_EQ(Formatted(kEndLine), "\r\n");
	EXPECT_EQ(Formatted(static_cast<int32>(-42)), "-42");
	EXPECT_EQ(Formatted(static_cast<uint32>(4000000000u)), "4000000000");
	EXPECT_EQ(Formatted(static_cast<long>(-7)), "-7");
	EXPECT_EQ(Formatted(static_cast<unsigned long>(7)), "7");
	EXPECT_EQ(Formatted(static_cast<int64>(-1234567890123LL)), "-1234567890123");
	EXPECT_EQ(Formatted(static_cast<uint64>(18446744073709551615ULL)), "18446744073709551615");
	EXPECT_EQ(Formatted(2.0), "2.0");
	EXPECT_EQ(Formatted(2.5f), "2.5");
	EXPECT_EQ(Formatted(1e20), "1e+20");
	EXPECT_EQ(Formatted(-0.125), "-0.125");
}

TEST(DebugFormat, PointersTokensAndTypeCodes)
{
	std::string pointer = Formatted(reinterpret_cast<const void*>(uintptr_t(0xABCDEF)));
	EXPECT_EQ(pointer.size(), 2 * sizeof(void*));
	EXPECT_EQ(pointer.substr(pointer.size() - 8), "00ABCDEF");
	EXPECT_EQ(Formatted(BPrivate::Hex32{0xFFFFFFFFu}), "FFFFFFFF");
	EXPECT_EQ(Formatted(BPrivate::Hex32{5}), "00000005");

	EXPECT_EQ(Formatted(BPrivate::TypeCode{0x61626364}), "'abcd'");
	EXPECT_EQ(Formatted(BPrivate::TypeCode{0x00000001}), "0x00000001");
	EXPECT_EQ(Formatted(BPrivate::TypeCode{0x30786162}), "0x30786162");
	EXPECT_EQ(Formatted(BPrivate::TypeCode{FourCC("a'cd")}), "0x61276364");
	EXPECT_EQ(Formatted(BPrivate::TypeCode{FourCC("ab\\d")}), "0x61625C64");
	EXPECT_EQ(Formatted(BPrivate::TypeCode{FourCC("0xyz")}), "0x3078797A");
	EXPECT_EQ(Formatted(BPrivate::TypeCode{FourCC("0 x~")}), "'0 x~'");
}

TEST(DebugFormat, HexDumpsOnOneLineAndOnMany)
{
	const char bytes[] = "ABCD\x01\x7F" "0123456789abcd";
	EXPECT_EQ(Formatted(HexDump(bytes, 4)), "41424344 'ABCD'");
	EXPECT_EQ(Formatted(HexDump(bytes, 20)),
		"\r\n0x000000: 41424344 017F3031 32333435 36373839 'ABCD..0123456789'\n"
		"0x000010: 61626364" + std::string(27, ' ') + " 'abcd" + std::string(12, ' ') + "'");
	EXPECT_EQ(Formatted(HexDump(bytes, 6, 4, "> ")),
		"\r\n> 0x000000: 41 42 43 44 'ABCD'\n> 0x000004: 01 7F       '..  '");
	EXPECT_EQ(Formatted(HexDump(bytes, 6, 8).SetSingleLineLimit(100)), "4142 4344 017F 'ABCD..'");
	EXPECT_EQ(Formatted(HexDump(bytes, 3, 8).SetPrefix("p:")), "4142 43 'ABC'");
}

TEST(DebugFormat, HexDumpsOfNothing)
{
	EXPECT_EQ(Formatted(HexDump(nullptr, 4)), "(NULL)");
	EXPECT_EQ(Formatted(HexDump("x", 0, 16, "> ")), "> (empty)");
	EXPECT_EQ(Formatted(HexDump("x", -3)), "(bad length: -3)");
	EXPECT_EQ(Formatted(HexDump("x", 0).SetSingleLineLimit(-1)), "\r\n(empty)");
}

const char* NameOdd(const void* address)
{
	return (reinterpret_cast<uintptr_t>(address) & 1) != 0 ? "odd_function" : nullptr;
}

TEST(DebugFormat, CallStacksEndAtTheFirstNullAddress)
{
	const void* frames[] = {reinterpret_cast<const void*>(uintptr_t(0x401001)),
		reinterpret_cast<const void*>(uintptr_t(0x402000)), nullptr,
		reinterpret_cast<const void*>(uintptr_t(0x403000))};
	EXPECT_EQ(Formatted(BPrivate::CallStack{frames, NameOdd, "  "}),
		"  0x00401001: <odd_function>+0x00000000\r\n  0x00402000: <--->+0x00000000\r\n");
}

TEST(DebugFormat, NullStreamsIgnoreWholeChains)
{
	DebugOut out(nullptr);
	DebugOut& same = out << "text" << static_cast<int32>(1) << HexDump("abc", 3) << kEndLine;
	EXPECT_EQ(&same, &out);
	EXPECT_EQ(same.Stream(), nullptr);
}

}  // namespace
