// BFile against real files in a scratch folder: the open modes, sharing, and
// transfers at and away from the file pointer.
#include "support/File.h"
#include "tests/harness/Folders.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace {

std::string Utf8(const std::wstring& text)
{
	int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
	std::string result(static_cast<size_t>(bytes), '\0');
	WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], bytes, nullptr, nullptr);
	result.resize(static_cast<size_t>(bytes) - 1);
	return result;
}

std::string Contents(const std::wstring& path)
{
	HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
		OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
	if (file == INVALID_HANDLE_VALUE)
		return "<missing>";
	char buffer[256];
	DWORD count = 0;
	ReadFile(file, buffer, sizeof(buffer), &count, nullptr);
	CloseHandle(file);
	return std::string(buffer, count);
}

// True when another opener could get write access to the file right now.
bool OthersMayWrite(const std::wstring& path)
{
	HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
		FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
		FILE_ATTRIBUTE_NORMAL, nullptr);
	if (file == INVALID_HANDLE_VALUE)
		return false;
	CloseHandle(file);
	return true;
}

int32 WriteText(BFile& file, const char* text)
{
	return file.Write(text, std::strlen(text));
}

class FileTest : public testing::Test {
protected:
	std::string PathOf(const std::wstring& leaf) { return Utf8(fFolder / leaf); }

	zeltest::ScratchFolder fFolder;
};

TEST_F(FileTest, ReadModeNeedsAnExistingFileAndWinsOverWriteAndCreateBits)
{
	BFile file;
	EXPECT_EQ(file.OpenPath(PathOf(L"missing").c_str(), 0x0001), kError);
	EXPECT_EQ(file.Status(), kError);
	// The read bit wins, so the create bits do not make the file.
	EXPECT_EQ(file.OpenPath(PathOf(L"missing").c_str(), 0x0001 | 0x0002 | 0x0200 | 0x0400), kError);
	EXPECT_FALSE(zeltest::Exists(fFolder / L"missing"));

	zeltest::MakeFile(fFolder / L"present", "brisca");
	ASSERT_EQ(file.OpenPath(PathOf(L"present").c_str(), 0x0001 | 0x0004 | 0x0200 | 0x0400), kOk);
	EXPECT_EQ(file.Status(), kOk);
	char buffer[16] = {};
	EXPECT_EQ(file.Read(buffer, sizeof(buffer)), 6);
	EXPECT_STREQ(buffer, "brisca");
	// Read access only: the kernel refuses the write, reported as 0 bytes.
	EXPECT_EQ(WriteText(file, "x"), 0);
	EXPECT_EQ(Contents(fFolder / L"present"), "brisca");
}

TEST_F(FileTest, WriteModesWithoutACreateBitOrWithoutAccessOpenNothing)
{
	zeltest::MakeFile(fFolder / L"present", "brisca");
	BFile file;
	EXPECT_EQ(file.OpenPath(PathOf(L"present").c_str(), 0x0002), kError);
	EXPECT_EQ(file.OpenPath(PathOf(L"present").c_str(), 0x0004), kError);
	EXPECT_EQ(file.OpenPath(PathOf(L"present").c_str(), 0x0402), kError);
	EXPECT_EQ(file.OpenPath(PathOf(L"present").c_str(), 0x0200), kError);
	EXPECT_EQ(file.OpenPath(PathOf(L"present").c_str(), 0), kError);
	EXPECT_EQ(WriteText(file, "x"), 0);
	EXPECT_EQ(Contents(fFolder / L"present"), "brisca");
}

TEST_F(FileTest, CreateNewFailsOnAnExistingFile)
{
	BFile file;
	ASSERT_EQ(file.OpenPath(PathOf(L"new").c_str(), 0x0102), kOk);
	EXPECT_EQ(WriteText(file, "made"), 4);
	EXPECT_EQ(file.OpenPath(PathOf(L"new").c_str(), 0x0104), kError);
	EXPECT_EQ(Contents(fFolder / L"new"), "made");
}

TEST_F(FileTest, OpenOrCreateKeepsContentAndTruncateEmptiesIt)
{
	BFile file;
	ASSERT_EQ(file.OpenPath(PathOf(L"log").c_str(), 0x0202), kOk);
	EXPECT_EQ(WriteText(file, "abcdef"), 6);
	// Reopening keeps the bytes and starts at the beginning of the file.
	ASSERT_EQ(file.OpenPath(PathOf(L"log").c_str(), 0x0204), kOk);
	EXPECT_EQ(file.Position(), 0);
	EXPECT_EQ(WriteText(file, "XY"), 2);
	EXPECT_EQ(Contents(fFolder / L"log"), "XYcdef");

	ASSERT_EQ(file.OpenPath(PathOf(L"log").c_str(), 0x0602), kOk);
	EXPECT_EQ(Contents(fFolder / L"log"), "");
	ASSERT_EQ(file.OpenPath(PathOf(L"fresh").c_str(), 0x0602), kOk);
	EXPECT_TRUE(zeltest::Exists(fFolder / L"fresh"));
}

TEST_F(FileTest, LogModeCreatesAMissingFileAndAppendsToAnExistingOne)
{
	{
		BFile file;
		ASSERT_EQ(file.OpenPath(PathOf(L"app-log.txt").c_str(), 0x1A02), kOk);
		EXPECT_EQ(WriteText(file, "first\r\n"), 7);
	}
	BFile file;
	ASSERT_EQ(file.OpenPath(PathOf(L"app-log.txt").c_str(), 0x1A02), kOk);
	EXPECT_EQ(file.Position(), 7);
	EXPECT_EQ(WriteText(file, "second\r\n"), 8);
	EXPECT_EQ(file.Sync(), kOk);
	EXPECT_EQ(Contents(fFolder / L"app-log.txt"), "first\r\nsecond\r\n");
}

TEST_F(FileTest, OnlyTheShareBitLetsOthersWriteAndDelete)
{
	BFile file;
	ASSERT_EQ(file.OpenPath(PathOf(L"shared").c_str(), 0x0202), kOk);
	EXPECT_FALSE(OthersMayWrite(fFolder / L"shared"));
	EXPECT_EQ(Contents(fFolder / L"shared"), "");  // reading is still allowed
	EXPECT_FALSE(DeleteFileW((fFolder / L"shared").c_str()));

	ASSERT_EQ(file.OpenPath(PathOf(L"shared").c_str(), 0x1202), kOk);
	EXPECT_TRUE(OthersMayWrite(fFolder / L"shared"));
	EXPECT_TRUE(DeleteFileW((fFolder / L"shared").c_str()));
}

TEST_F(FileTest, ReopeningOrANullPathClosesTheOpenFile)
{
	BFile file;
	ASSERT_EQ(file.OpenPath(PathOf(L"one").c_str(), 0x0202), kOk);
	EXPECT_FALSE(OthersMayWrite(fFolder / L"one"));
	ASSERT_EQ(file.OpenPath(PathOf(L"two").c_str(), 0x0202), kOk);
	EXPECT_TRUE(OthersMayWrite(fFolder / L"one"));
	EXPECT_FALSE(OthersMayWrite(fFolder / L"two"));

	EXPECT_EQ(file.OpenPath(nullptr, 0x0202), kError);
	EXPECT_TRUE(file.PathText().IsEmpty());
	EXPECT_TRUE(OthersMayWrite(fFolder / L"two"));
	EXPECT_EQ(file.OpenPath("", 0x0202), kError);
}

TEST_F(FileTest, TransfersAtAPositionLeaveTheFilePointerWhereItWas)
{
	zeltest::MakeFile(fFolder / L"data", "0123456789");
	BFile file;
	ASSERT_EQ(file.OpenPath(PathOf(L"data").c_str(), 0x0204), kOk);
	char buffer[8] = {};
	ASSERT_EQ(file.Read(buffer, 3), 3);
	EXPECT_EQ(file.Position(), 3);

	EXPECT_EQ(file.ReadAt(6, buffer, 4), 4);
	EXPECT_EQ(std::string(buffer, 4), "6789");
	EXPECT_EQ(file.Position(), 3);
	EXPECT_EQ(file.WriteAt(8, "AB", 2), 2);
	EXPECT_EQ(file.Position(), 3);
	// Reading past the end transfers what is there.
	EXPECT_EQ(file.ReadAt(9, buffer, 8), 1);
	EXPECT_EQ(file.ReadAt(-5, buffer, 8), 0);
	EXPECT_EQ(file.Position(), 3);

	EXPECT_EQ(file.Seek(0, 0), 0);
	EXPECT_EQ(file.Position(), 3);
	EXPECT_EQ(file.SetSize(0), kError);
	ASSERT_EQ(file.Read(buffer, 2), 2);
	EXPECT_EQ(std::string(buffer, 2), "34");
	EXPECT_EQ(Contents(fFolder / L"data"), "01234567AB");
}

TEST(FileWithoutHandle, TransfersNothingAndSyncFails)
{
	BFile file;
	char buffer[4];
	EXPECT_EQ(file.Status(), kError);
	EXPECT_EQ(file.Read(buffer, 4), 0);
	EXPECT_EQ(file.Write("abcd", 4), 0);
	EXPECT_EQ(file.ReadAt(0, buffer, 4), 0);
	EXPECT_EQ(file.WriteAt(0, "abcd", 4), 0);
	EXPECT_EQ(file.Position(), 0);
	EXPECT_EQ(file.Sync(), kError);
	EXPECT_EQ(file.SetSize(4), kError);
}

}  // namespace
