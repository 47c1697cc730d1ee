// The token space: numbering, reuse, generations, targets and bad tokens.
#include "messaging/DirectMessageTarget.h"
#include "messaging/TokenSpace.h"
#include "tests/harness/DebugOutputCapture.h"
#include "tests/harness/DebuggerSeam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

// Counts its references; refuses new ones once closed.
class CountingTarget : public BPrivate::BDirectMessageTarget {
public:
	CountingTarget() : BDirectMessageTarget(0) {}
	bool Acquire() override
	{
		if (fClosed)
			return false;
		++fReferences;
		return true;
	}
	void Release() override { --fReferences; }
	status_t DeliverMessage(BMessage*) override { return kOk; }

	std::atomic<int> fReferences{0};
	bool fClosed = false;
};

int sNotifiedType = 0;
void* sNotifiedObject = nullptr;

void RecordNotify(int16 type, void* object)
{
	sNotifiedType = type;
	sNotifiedObject = object;
}

bool RefuseAll(int16, void*)
{
	return false;
}

TEST(TokenSpace, FreshSpaceNumbersFromZeroAndAllocatesBlocksOnDemand)
{
	BTokenSpace space;
	int object = 0;
	EXPECT_EQ(space.NewToken(kHandlerTokenType, &object), 0);
	EXPECT_EQ(space.NewToken(kHandlerTokenType, &object), 1);
	token_t last = kNoToken;
	for (int i = 2; i < 257; ++i)
		last = space.NewToken(kHandlerTokenType, &object);
	EXPECT_EQ(last, 0x100);
	EXPECT_TRUE(space.CheckToken(0x100, kHandlerTokenType));
	EXPECT_FALSE(space.CheckToken(0x101));
}

TEST(TokenSpace, RemovedTokensStopResolvingAndEntriesAreReusedOldestFirst)
{
	BTokenSpace space;
	int objects[10];
	for (int& object : objects)
		space.NewToken(kHandlerTokenType, &object);

	sNotifiedType = 0;
	space.RemoveToken(5, RecordNotify);
	EXPECT_EQ(sNotifiedType, kHandlerTokenType);
	EXPECT_EQ(sNotifiedObject, &objects[5]);
	EXPECT_FALSE(space.CheckToken(5, kAnyTokenType));
	space.RemoveToken(7);
	EXPECT_EQ(space.CountLiveTokens(), 8);

	EXPECT_EQ(space.NewToken(kLooperTokenType, &objects[0]), 0x10005);
	EXPECT_EQ(space.NewToken(kLooperTokenType, &objects[1]), 0x10007);
	EXPECT_EQ(space.NewToken(kLooperTokenType, &objects[2]), 10);
	// The stale token names the reused entry but not its new generation.
	EXPECT_FALSE(space.CheckToken(5));
	void* found = &objects[9];
	EXPECT_EQ(space.GetToken(5, kAnyTokenType, &found), kError);
	EXPECT_EQ(found, nullptr);
	EXPECT_EQ(space.GetToken(0x10005, kAnyTokenType, &found), kOk);
	EXPECT_EQ(found, &objects[0]);
	// Removing a stale token leaves the live one alone.
	space.RemoveToken(5);
	EXPECT_TRUE(space.CheckToken(0x10005));
	EXPECT_EQ(space.CountLiveTokens(), 11);
}

TEST(TokenSpace, TypesAndPredicatesDecideWhetherATokenResolves)
{
	BTokenSpace space;
	int looper = 0;
	token_t token = space.NewToken(kLooperTokenType, &looper);
	void* found = &looper;
	EXPECT_EQ(space.GetToken(token, kHandlerTokenType, &found), kError);
	EXPECT_EQ(found, nullptr);
	EXPECT_EQ(space.GetToken(token, kAnyTokenType, &found), kOk);
	EXPECT_EQ(found, &looper);
	EXPECT_EQ(space.GetToken(token, kLooperTokenType, &found, RefuseAll), kError);
	EXPECT_EQ(found, nullptr);
	EXPECT_TRUE(space.CheckToken(token, kLooperTokenType));
	EXPECT_FALSE(space.CheckToken(token, kReplyTokenType));
}

TEST(TokenSpace, TargetsAreReferencedWhileAttachedAndForEveryCaller)
{
	BTokenSpace space;
	CountingTarget first;
	CountingTarget second;
	token_t token = space.NewToken(kHandlerTokenType, nullptr);
	EXPECT_EQ(space.GetTokenTarget(token), nullptr);

	EXPECT_EQ(space.SetTokenTarget(token, &first), kOk);
	EXPECT_EQ(first.fReferences, 1);
	BPrivate::BDirectMessageTarget* taken = space.GetTokenTarget(token, kHandlerTokenType);
	EXPECT_EQ(taken, &first);
	EXPECT_EQ(first.fReferences, 2);
	taken->Release();
	EXPECT_EQ(space.GetTokenTarget(token, kLooperTokenType), nullptr);

	EXPECT_EQ(space.SetTokenTarget(token, &second), kOk);
	EXPECT_EQ(first.fReferences, 0);
	EXPECT_EQ(second.fReferences, 1);
	EXPECT_EQ(space.SetTokenTarget(token, nullptr), kOk);
	EXPECT_EQ(second.fReferences, 0);

	second.fClosed = true;
	EXPECT_EQ(space.SetTokenTarget(token, &second), kError);
	EXPECT_EQ(space.SetTokenTarget(token, &first), kOk);
	first.fClosed = true;
	EXPECT_EQ(space.GetTokenTarget(token), nullptr);
	space.RemoveToken(token);
	EXPECT_EQ(first.fReferences, 0);
	EXPECT_EQ(space.SetTokenTarget(token, &first), kError);
}

TEST(TokenSpace, BadTokensResolveToNothingWithoutFaulting)
{
	BTokenSpace space;
	CountingTarget target;
	void* found = nullptr;
	for (token_t bad : {kNoToken, token_t(-2), token_t(0x80001234), token_t(0x0500), token_t(0x7FFFFFFF)}) {
		EXPECT_FALSE(space.CheckToken(bad));
		EXPECT_EQ(space.GetToken(bad, kAnyTokenType, &found), kError);
		EXPECT_EQ(space.SetTokenTarget(bad, &target), kError);
		EXPECT_EQ(space.GetTokenTarget(bad), nullptr);
		space.RemoveToken(bad);
	}
	EXPECT_EQ(target.fReferences, 0);
	space.NewToken(kHandlerTokenType, nullptr);
	EXPECT_FALSE(space.CheckToken(0x00010000));  // entry 0 at a generation never issued
}

TEST(TokenSpace, FullSpaceReportsAndAnswersNoToken)
{
	BTokenSpace space;
	zeltest::TakeDebuggerReports();
	for (int i = 0; i < 65536; ++i)
		ASSERT_EQ(space.NewToken(kHandlerTokenType, nullptr), i);
	EXPECT_EQ(space.NewToken(kHandlerTokenType, nullptr), kNoToken);
	std::vector<std::string> reports = zeltest::TakeDebuggerReports();
	ASSERT_EQ(reports.size(), 1u);
	EXPECT_EQ(reports[0], "The token space is full.  I will crash now.");

	space.RemoveToken(0xFFFF);
	EXPECT_EQ(space.NewToken(kHandlerTokenType, nullptr), 0x1FFFF);
}

TEST(TokenSpace, ThreadsCreatingAndRemovingTokensNeverShareALiveOne)
{
	BTokenSpace space;
	constexpr int kThreads = 4;
	constexpr int kRounds = 2000;
	std::vector<std::vector<token_t>> kept(kThreads);
	std::vector<std::thread> threads;
	for (int t = 0; t < kThreads; ++t)
		threads.emplace_back([&space, &kept, t] {
			int object = t;
			for (int round = 0; round < kRounds; ++round) {
				token_t token = space.NewToken(kHandlerTokenType, &object);
				void* found = nullptr;
				EXPECT_EQ(space.GetToken(token, kHandlerTokenType, &found), kOk);
				EXPECT_EQ(found, &object);
				if (round % 3 == 0)
					kept[t].push_back(token);
				else
					space.RemoveToken(token);
			}
		});
	for (auto& thread : threads)
		thread.join();
	std::set<token_t> live;
	for (auto& tokens : kept)
		for (token_t token : tokens) {
			EXPECT_TRUE(live.insert(token).second);
			EXPECT_TRUE(space.CheckToken(token, kHandlerTokenType));
		}
	EXPECT_EQ(live.size(), size_t(kThreads) * ((kRounds + 2) / 3));
}

}  // namespace

namespace {

TEST(TokenSpace, NegativeAndUnallocatedTokensAreReportedOnTheTokenStream)
{
	zeltest::DebugOutputCapture capture;
	BTokenSpace space;
	space.NewToken(kHandlerTokenType, nullptr);
	space.RemoveToken(-5);
	void* found = nullptr;
	EXPECT_EQ(space.GetToken(0x00000300, kAnyTokenType, &found), kError);
	EXPECT_FALSE(space.CheckToken(-7));
	EXPECT_FALSE(space.CheckToken(0x0400));
	EXPECT_EQ(space.GetToken(-1, kAnyTokenType, &found), kError);
	EXPECT_EQ(space.GetToken(0x00050000, kAnyTokenType, &found), kError);
	EXPECT_EQ(capture.Take(),
		(std::vector<std::string>{"Negative token: FFFFFFFB\r\n", "Unallocated token: 00000300\r\n"}));
}

}  // namespace
