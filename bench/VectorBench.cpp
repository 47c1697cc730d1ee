// BVector beside std::vector, in one run: appending int32 values and strings to
// an empty vector, and ordered inserts of pseudo-random keys (BOrderedVector
// against std::lower_bound + insert). Prints nanoseconds per element and
// BVector's ratio to std::vector (below 1 means BVector is faster), the median
// of rounds taken in turns.
#include "bench/BenchClock.h"
#include "bench/BenchPinning.h"
#include "bench/BenchResult.h"
#include "support/OrderedVector.h"
#include "support/String.h"
#include "support/Vector.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int32 kSmallVectors = 20000;
constexpr int32 kSmallCount = 16;
constexpr int32 kLargeCount = 200000;
constexpr int32 kOrderedCount = 20000;

volatile int64 gSink = 0;

// A fixed pseudo-random sequence, the same for both contenders.
int32 Key(int32 i)
{
	return static_cast<int32>((static_cast<uint32>(i) * 2654435761u) >> 8);
}

// One round of `body` as nanoseconds per element.
template<class Body>
auto NanosPerElement(int64 elements, Body body)
{
	return [elements, body] {
		double start = NowSeconds();
		body();
		return (NowSeconds() - start) * 1e9 / static_cast<double>(elements);
	};
}

template<class Ours, class Baseline>
void Compare(const char* what, int64 elements, Ours ours, Baseline baseline, const char* goal)
{
	CompareRounds(what, "ns/item", kStableRounds, NanosPerElement(elements, ours), NanosPerElement(elements, baseline),
		goal);
}

void CompareSmallAppends()
{
	int64 elements = int64(kSmallVectors) * kSmallCount;
	Compare("BVector<int32> append, 16 per vector", elements, [] {
		for (int32 v = 0; v < kSmallVectors; v++) {
			BVector<int32> vector;
			for (int32 i = 0; i < kSmallCount; i++)
				vector.AddItem(i);
			gSink = gSink + vector[kSmallCount - 1];
		}
	}, [] {
		for (int32 v = 0; v < kSmallVectors; v++) {
			std::vector<int32> vector;
			for (int32 i = 0; i < kSmallCount; i++)
				vector.push_back(i);
			gSink = gSink + vector[kSmallCount - 1];
		}
	}, "-");
}

void CompareLargeAppends()
{
	Compare("BVector<int32> append of 200k", kLargeCount, [] {
		BVector<int32> vector;
		for (int32 i = 0; i < kLargeCount; i++)
			vector.AddItem(i);
		gSink = gSink + vector[kLargeCount - 1];
	}, [] {
		std::vector<int32> vector;
		for (int32 i = 0; i < kLargeCount; i++)
			vector.push_back(i);
		gSink = gSink + vector[kLargeCount - 1];
	}, "<= 1.1");
}

void CompareStringAppends()
{
	BString text("Documents\\Quorvane\\Brisca");
	Compare("BVector<BString> append of 200k", kLargeCount, [&text] {
		BVector<BString> vector;
		for (int32 i = 0; i < kLargeCount; i++)
			vector.AddItem(text);
		gSink = gSink + vector.CountItems();
	}, [&text] {
		std::vector<BString> vector;
		for (int32 i = 0; i < kLargeCount; i++)
			vector.push_back(text);
		gSink = gSink + static_cast<int64>(vector.size());
	}, "<= 1.1");
}

void CompareOrderedInserts()
{
	Compare("BOrderedVector<int32> insert of 20k", kOrderedCount, [] {
		BOrderedVector<int32> vector;
		for (int32 i = 0; i < kOrderedCount; i++)
			vector.AddItem(Key(i));
		gSink = gSink + vector[0];
	}, [] {
		std::vector<int32> vector;
		for (int32 i = 0; i < kOrderedCount; i++) {
			int32 key = Key(i);
			auto at = std::lower_bound(vector.begin(), vector.end(), key);
			if (at == vector.end() || *at != key)
				vector.insert(at, key);
			else
				*at = key;
		}
		gSink = gSink + vector[0];
	}, "-");
}

}  // namespace

int main()
{
	PinToOneProcessor();
	CompareSmallAppends();
	CompareLargeAppends();
	CompareStringAppends();
	CompareOrderedInserts();
	return 0;
}
