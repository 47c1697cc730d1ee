// BVector beside std::vector, in one run: appending int32 values and strings to
// an empty vector, and ordered inserts of pseudo-random keys (BOrderedVector
// against std::lower_bound + insert). Prints nanoseconds per element and
// BVector's ratio to std::vector (below 1 means BVector is faster); the best of
// several rounds counts.
#include "bench/BenchClock.h"
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
constexpr int kRounds = 5;

volatile int64 gSink = 0;

// A fixed pseudo-random sequence, the same for both contenders.
int32 Key(int32 i)
{
	return static_cast<int32>((static_cast<uint32>(i) * 2654435761u) >> 8);
}

template<class Body>
double BestNanosPerElement(int64 elements, Body body)
{
	double best = 1e30;
	for (int round = 0; round < kRounds; round++) {
		double start = NowSeconds();
		body();
		double elapsed = NowSeconds() - start;
		best = std::min(best, elapsed);
	}
	return best * 1e9 / static_cast<double>(elements);
}

void Report(const char* what, double ours, double baseline)
{
	std::printf("%-34s BVector %7.2f ns  std::vector %7.2f ns  ratio %.2f\n", what, ours, baseline,
	            ours / baseline);
}

void CompareSmallAppends()
{
	int64 elements = int64(kSmallVectors) * kSmallCount;
	double ours = BestNanosPerElement(elements, [] {
		for (int32 v = 0; v < kSmallVectors; v++) {
			BVector<int32> vector;
			for (int32 i = 0; i < kSmallCount; i++)
				vector.AddItem(i);
			gSink = gSink + vector[kSmallCount - 1];
		}
	});
	double baseline = BestNanosPerElement(elements, [] {
		for (int32 v = 0; v < kSmallVectors; v++) {
			std::vector<int32> vector;
			for (int32 i = 0; i < kSmallCount; i++)
				vector.push_back(i);
			gSink = gSink + vector[kSmallCount - 1];
		}
	});
	Report("append int32 (16 per vector)", ours, baseline);
}

void CompareLargeAppends()
{
	double ours = BestNanosPerElement(kLargeCount, [] {
		BVector<int32> vector;
		for (int32 i = 0; i < kLargeCount; i++)
			vector.AddItem(i);
		gSink = gSink + vector[kLargeCount - 1];
	});
	double baseline = BestNanosPerElement(kLargeCount, [] {
		std::vector<int32> vector;
		for (int32 i = 0; i < kLargeCount; i++)
			vector.push_back(i);
		gSink = gSink + vector[kLargeCount - 1];
	});
	Report("append int32 (200000)", ours, baseline);
}

void CompareStringAppends()
{
	BString text("Documents\\Quorvane\\Brisca");
	double ours = BestNanosPerElement(kLargeCount, [&text] {
		BVector<BString> vector;
		for (int32 i = 0; i < kLargeCount; i++)
			vector.AddItem(text);
		gSink = gSink + vector.CountItems();
	});
	double baseline = BestNanosPerElement(kLargeCount, [&text] {
		std::vector<BString> vector;
		for (int32 i = 0; i < kLargeCount; i++)
			vector.push_back(text);
		gSink = gSink + static_cast<int64>(vector.size());
	});
	Report("append BString (200000)", ours, baseline);
}

void CompareOrderedInserts()
{
	double ours = BestNanosPerElement(kOrderedCount, [] {
		BOrderedVector<int32> vector;
		for (int32 i = 0; i < kOrderedCount; i++)
			vector.AddItem(Key(i));
		gSink = gSink + vector[0];
	});
	double baseline = BestNanosPerElement(kOrderedCount, [] {
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
	});
	Report("ordered insert int32 (20000)", ours, baseline);
}

}  // namespace

int main()
{
	CompareSmallAppends();
	CompareLargeAppends();
	CompareStringAppends();
	CompareOrderedInserts();
	return 0;
}
