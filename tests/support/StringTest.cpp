// BString and the shared buffers under it: conversions, sharing and edits.
#include "support/NarrowString.h"
#include "support/RefBuffer.h"
#include "support/String.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::wstring Text(const BString& text)
{
	return text.Chars() != nullptr ? text.Chars() : L"";
}

TEST(String, EmptyStringsHoldNoBuffer)
{
	BString empty;
	EXPECT_EQ(empty.Chars(), nullptr);
	EXPECT_EQ(empty.Length(), 0);
	EXPECT_TRUE(empty.IsEmpty());
	EXPECT_EQ(BString("").Chars(), nullptr);
	EXPECT_EQ(BString(static_cast<const char*>(nullptr)).Chars(), nullptr);
	EXPECT_EQ(BString(static_cast<const BString*>(nullptr)).Chars(), nullptr);
	EXPECT_EQ(empty.ToUtf8(), nullptr);
	EXPECT_TRUE(empty == BString());
}

TEST(String, Utf8RoundTripKeepsEveryCharacter)
{
	const char* text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x82\xA1";  // umlaut, euro, a playing card
	BString string(text);
	EXPECT_EQ(string.Length(), 10);  // the card needs a surrogate pair
	char* back = string.ToUtf8();
	ASSERT_NE(back, nullptr);
	EXPECT_STREQ(back, text);
	std::free(back);
	EXPECT_TRUE(string == text);
	EXPECT_FALSE(string != text);
}

TEST(String, AssignAndAppendWithLengths)
{
	BString string;
	string.Assign("Quorvane", 4);
	EXPECT_EQ(Text(string), L"Quor");
	string.Append(L"vane\\Brisca", 4);
	EXPECT_EQ(Text(string), L"Quorvane");
	BString tail(L"\\Brisca");
	string.Append(tail, 100);
	EXPECT_EQ(Text(string), L"Quorvane\\Brisca");
	string.Append(-42);
	EXPECT_EQ(Text(string), L"Quorvane\\Brisca-42");
	string.Assign(tail, 3);
	EXPECT_EQ(Text(string), L"\\Br");
	string.Clear();
	EXPECT_EQ(string.Chars(), nullptr);
	string.Append(2147483647);
	EXPECT_EQ(Text(string), L"2147483647");
}

TEST(String, AppendingItselfAndItsOwnTail)
{
	BString string(L"ab");
	string.Append(string);
	EXPECT_EQ(Text(string), L"abab");
	string.Append(string.Chars() + 1, 2);
	EXPECT_EQ(Text(string), L"ababba");
	string.Assign(string.Chars() + 2, 3);
	EXPECT_EQ(Text(string), L"abb");
}

TEST(String, AppendRangeStaysInsideTheSource)
{
	BString source(L"Brisca");
	BString out(L">");
	source.AppendRangeTo(&out, 1, 3);
	EXPECT_EQ(Text(out), L">ris");
	source.AppendRangeTo(&out, 4, 10);
	EXPECT_EQ(Text(out), L">risca");
	source.AppendRangeTo(&out, 6, 1);
	source.AppendRangeTo(&out, -1, 1);
	source.AppendRangeTo(&out, 0, 0);
	source.AppendRangeTo(nullptr, 0, 1);
	EXPECT_EQ(Text(out), L">risca");
}

TEST(String, FindAndCompare)
{
	BString path(L"C:\\a\\b\\c");
	BString separator(L"\\");
	EXPECT_EQ(path.FindFirst(separator), 2);
	EXPECT_EQ(path.FindFirst(separator, 3), 4);
	EXPECT_EQ(path.FindLast(separator), 6);
	EXPECT_EQ(path.FindFirst(BString(L"x")), -1);
	EXPECT_EQ(path.FindFirst(separator, 100), -1);
	EXPECT_EQ(BString().FindLast(separator), -1);

	EXPECT_LT(BString(L"Brisca").Compare(BString(L"brisca")), 0);
	EXPECT_NE(BString(L"Brisca"), BString(L"brisca"));
	EXPECT_EQ(BString(L"Brisca").Compare(BString(L"Brim"), 3), 0);
	EXPECT_LT(BString().Compare(BString(L"a")), 0);
	EXPECT_GT(BString(L"a").Compare(BString()), 0);
	EXPECT_TRUE(BString(L"a") < BString(L"b"));
}

TEST(String, CopiesShareUntilOneChanges)
{
	BString original(L"shared");
	BString copy(original);
	EXPECT_EQ(copy.Chars(), original.Chars());
	EXPECT_EQ(RefBuffer::FromData(original.Chars())->References(), 2u);
	copy.Append(L"!");
	EXPECT_NE(copy.Chars(), original.Chars());
	EXPECT_EQ(Text(original), L"shared");
	EXPECT_EQ(Text(copy), L"shared!");
	EXPECT_EQ(RefBuffer::FromData(original.Chars())->References(), 1u);

	BString moved(std::move(copy));
	EXPECT_EQ(copy.Chars(), nullptr);
	EXPECT_EQ(Text(moved), L"shared!");
	original = original;
	EXPECT_EQ(Text(original), L"shared");
}

TEST(String, CopiesAppendedOnTwoThreadsAtOnceStayIntact)
{
	for (int round = 0; round < 50; ++round) {
		BString base(L"base");
		BString first(base);
		BString second(base);
		auto grow = [](BString* string, const wchar_t* piece) {
			for (int i = 0; i < 200; ++i)
				string->Append(piece);
		};
		std::thread one(grow, &first, L"1");
		std::thread two(grow, &second, L"2");
		grow(&base, L"0");
		one.join();
		two.join();
		EXPECT_EQ(Text(first), L"base" + std::wstring(200, L'1'));
		EXPECT_EQ(Text(second), L"base" + std::wstring(200, L'2'));
		EXPECT_EQ(Text(base), L"base" + std::wstring(200, L'0'));
	}
}

TEST(String, CopiesReleasedOnManyThreadsFreeTheBufferOnce)
{
	BString original(L"released everywhere");
	RefBuffer* buffer = RefBuffer::FromData(original.Chars());
	{
		BString copies[4] = {original, original, original, original};
		std::thread threads[4];
		for (int i = 0; i < 4; ++i)
			threads[i] = std::thread([&copies, i] {
				for (int k = 0; k < 1000; ++k) {
					BString extra(copies[i]);
					BString another = extra;
				}
				copies[i].Clear();
			});
		for (auto& thread : threads)
			thread.join();
	}
	EXPECT_EQ(buffer->References(), 1u);
	EXPECT_FALSE(buffer->IsShared());
	EXPECT_EQ(Text(original), L"released everywhere");
}

TEST(RefBuffer, EditCopiesSharedBuffersAndKeepsSoleOnes)
{
	RefBuffer* buffer = RefBuffer::Alloc(5);
	ASSERT_NE(buffer, nullptr);
	std::memcpy(buffer->Data(), "abcde", 5);
	EXPECT_EQ(buffer->Length(), 5u);

	// Within the same 8-byte rounding a sole owner edits in place.
	RefBuffer* same = buffer->Edit(7);
	ASSERT_EQ(same, buffer);
	EXPECT_EQ(buffer->Length(), 7u);

	buffer->Acquire();
	RefBuffer* copy = buffer->Edit(3);
	ASSERT_NE(copy, nullptr);
	EXPECT_NE(copy, buffer);
	EXPECT_EQ(std::memcmp(copy->Data(), "abc", 3), 0);
	EXPECT_EQ(copy->Length(), 3u);
	EXPECT_EQ(buffer->References(), 1u);
	EXPECT_EQ(buffer->Length(), 7u);

	RefBuffer* grown = copy->Edit(1000);
	ASSERT_NE(grown, nullptr);
	EXPECT_EQ(std::memcmp(grown->Data(), "abc", 3), 0);
	grown->Release();
	buffer->Release();
}

TEST(NarrowString, HoldsBytesAndCopiesShare)
{
	BPrivate::NarrowString name;
	EXPECT_EQ(name.Data(), nullptr);
	EXPECT_EQ(name.SetTo("field_name", 5), kOk);
	EXPECT_STREQ(name.Data(), "field");
	EXPECT_EQ(name.Length(), 5);

	BPrivate::NarrowString copy(name);
	EXPECT_EQ(copy.Data(), name.Data());
	EXPECT_EQ(copy.SetTo(copy.Data() + 1, 3), kOk);
	EXPECT_STREQ(copy.Data(), "iel");
	EXPECT_STREQ(name.Data(), "field");

	EXPECT_EQ(name.SetToTerminated("\xFF\x01raw bytes", 4), kOk);
	EXPECT_EQ(name.Length(), 4);
	EXPECT_EQ(static_cast<unsigned char>(name.Data()[0]), 0xFFu);
	EXPECT_EQ(name.SetToTerminated("short"), kOk);
	EXPECT_STREQ(name.Data(), "short");
	name.Clear();
	EXPECT_EQ(name.Length(), 0);
}

}  // namespace
