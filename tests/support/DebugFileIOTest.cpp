// The log file stream against real files in the prefix's system drive root.
#include "support/DebugFileIO.h"
#include "tests/harness/Folders.h"
#include "tests/harness/TestApplication.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <regex>
#include <string>

namespace {

// Numbers without zero padding: "0" or a digit string that does not start with 0.
const std::string kNumber = "(0|[1-9][0-9]*)";
const std::string kHeaderPattern = std::string("\\*{40}\r\nBegin log on ") + kNumber + "\\." +
	kNumber + "\\." + kNumber + " at " + kNumber + ":" + kNumber + ":" + kNumber + "\r\n\\*{40}\r\n";
const std::regex kHeader(kHeaderPattern);

BString sAppName;

BString CurrentAppName()
{
	return sAppName;
}

class DebugFileIOTest : public testing::Test {
protected:
	void SetUp() override
	{
		fPrevious = BPrivate::SetApplicationNameSource(CurrentAppName);
		Clean();
	}
	void TearDown() override
	{
		Clean();
		BPrivate::SetApplicationNameSource(fPrevious);
	}
	void Clean()
	{
		for (const wchar_t* name : {L"Demo-log.txt", L"zel-log.txt", L"Retry-log.txt"}) {
			DeleteFileW(LogPath(name).c_str());
			RemoveDirectoryW(LogPath(name).c_str());
		}
	}
	std::wstring LogPath(const wchar_t* name) { return zeltest::SystemDriveRoot() + name; }

	BPrivate::ApplicationNameSource fPrevious = nullptr;
};

int32 WriteText(BDataIO& stream, const char* text)
{
	return stream.Write(text, std::strlen(text));
}

TEST_F(DebugFileIOTest, FirstWriteCreatesTheApplicationsLogWithItsHeader)
{
	sAppName = BString("Demo");
	{
		BPrivate::DebugFileIO log;
		EXPECT_EQ(zeltest::FileContents(LogPath(L"Demo-log.txt")), "<missing>");
		EXPECT_EQ(WriteText(log, "first line\r\n"), 12);
		EXPECT_EQ(WriteText(log, "second line\r\n"), 13);
		// Every write is on the disk at once, while the stream keeps the file open.
		std::string text = zeltest::FileContents(LogPath(L"Demo-log.txt"));
		std::smatch match;
		ASSERT_TRUE(std::regex_search(text, match, kHeader)) << text;
		EXPECT_EQ(match.position(0), 0);
		EXPECT_EQ(text.substr(static_cast<size_t>(match.length(0))), "first line\r\nsecond line\r\n");

		SYSTEMTIME now;
		GetSystemTime(&now);
		EXPECT_EQ(std::stoi(match[1].str()), now.wYear);
		EXPECT_EQ(std::stoi(match[2].str()), now.wMonth);
		char buffer[4];
		EXPECT_EQ(log.Read(buffer, 4), kNotAllowed);
	}
	// A later run appends its own header and lines.
	BPrivate::DebugFileIO nextRun;
	EXPECT_EQ(WriteText(nextRun, "again\r\n"), 7);
	std::string text = zeltest::FileContents(LogPath(L"Demo-log.txt"));
	std::smatch first;
	ASSERT_TRUE(std::regex_search(text, first, kHeader));
	std::string rest = text.substr(static_cast<size_t>(first.length(0)));
	ASSERT_EQ(rest.compare(0, 25, "first line\r\nsecond line\r\n"), 0) << text;
	rest = rest.substr(25);
	std::smatch second;
	ASSERT_TRUE(std::regex_search(rest, second, kHeader)) << text;
	EXPECT_EQ(second.position(0), 0);
	EXPECT_EQ(rest.substr(static_cast<size_t>(second.length(0))), "again\r\n");
}

TEST_F(DebugFileIOTest, WithoutAnApplicationNameTheLogIsNamedZel)
{
	sAppName = BString();
	{
		BPrivate::DebugFileIO log;
		EXPECT_EQ(WriteText(log, "x"), 1);
	}
	BPrivate::SetApplicationNameSource(nullptr);
	{
		BPrivate::DebugFileIO log;
		EXPECT_EQ(WriteText(log, "y"), 1);
	}
	std::string text = zeltest::FileContents(LogPath(L"zel-log.txt"));
	EXPECT_TRUE(std::regex_match(text, std::regex(kHeaderPattern + "x" + kHeaderPattern + "y"))) << text;
}

TEST_F(DebugFileIOTest, TheLivingApplicationNamesTheLogStream)
{
	{
		zeltest::TestApp app(BString("Demo"));
		EXPECT_EQ(WriteText(*gLogOut, "while Demo lives\r\n"), 18);
	}
	// Once the application is gone, the log has the framework's own name.
	BPrivate::DebugFileIO later;
	EXPECT_EQ(WriteText(later, "later\r\n"), 7);
	std::string text = zeltest::FileContents(LogPath(L"Demo-log.txt"));
	EXPECT_TRUE(std::regex_match(text, std::regex(kHeaderPattern + "while Demo lives\r\n"))) << text;
	text = zeltest::FileContents(LogPath(L"zel-log.txt"));
	EXPECT_TRUE(std::regex_match(text, std::regex(kHeaderPattern + "later\r\n"))) << text;
}

TEST_F(DebugFileIOTest, AFailedOpenLosesThatWriteAndTheNextWriteRetries)
{
	sAppName = BString("Retry");
	// A folder of the log's name keeps the file from being opened.
	ASSERT_TRUE(CreateDirectoryW(LogPath(L"Retry-log.txt").c_str(), nullptr));
	BPrivate::DebugFileIO log;
	EXPECT_EQ(WriteText(log, "lost\r\n"), 0);
	EXPECT_EQ(log.Status(), kError);
	ASSERT_TRUE(RemoveDirectoryW(LogPath(L"Retry-log.txt").c_str()));

	EXPECT_EQ(WriteText(log, "kept\r\n"), 6);
	std::string text = zeltest::FileContents(LogPath(L"Retry-log.txt"));
	std::smatch match;
	ASSERT_TRUE(std::regex_search(text, match, kHeader)) << text;
	EXPECT_EQ(match.position(0), 0);
	EXPECT_EQ(text.substr(static_cast<size_t>(match.length(0))), "kept\r\n");
}

}  // namespace
