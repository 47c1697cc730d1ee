// The result line every benchmark prints for scripts/bench.sh:
// RESULT|name|figure|baseline|ratio median|spread low|spread high|goal|baseline low|baseline high
// with the medians of rounds that alternate the framework and its baseline,
// the spread of the rounds' ratios and that of the baseline's own rounds.
// A goal is written "<= 1.0" or ">= 0.8" against the ratio's median, or "-"
// for a figure shown without one.
#pragma once

#include "support/SupportDefs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Rounds per comparison: with fewer, the median of a loaded machine moved
// between runs by more than the distance of several figures to their goals.
constexpr int kStableRounds = 15;

// A benchmark whose set-up failed would measure nothing: it stops and says why.
inline void Require(status_t status, const char* what)
{
	if (status == kOk)
		return;
	std::fprintf(stderr, "%s failed: %d\n", what, static_cast<int>(status));
	std::exit(1);
}

inline double Median(std::vector<double> values)
{
	std::sort(values.begin(), values.end());
	return values[values.size() / 2];
}

// `framework` and `baseline` hold one figure per round, in round order; the
// spread is that of the round-by-round ratios.
inline void PrintResultLine(const char* name, const char* unit, const std::vector<double>& framework,
	const std::vector<double>& baseline, const char* goal)
{
	std::vector<double> ratios;
	for (size_t i = 0; i < framework.size(); i++)
		ratios.push_back(framework[i] / baseline[i]);
	std::printf("RESULT|%s|%.3f %s|%.3f %s|%.3f|%.3f|%.3f|%s|%.3f|%.3f\n", name, Median(framework), unit,
		Median(baseline), unit, Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
		*std::max_element(ratios.begin(), ratios.end()), goal, *std::min_element(baseline.begin(), baseline.end()),
		*std::max_element(baseline.begin(), baseline.end()));
	std::fflush(stdout);
}

// Measures `rounds` rounds of the framework and the baseline, taking turns at
// going first, so that a busy moment of the machine falls on both alike; then
// prints the result line. Each measurement answers one figure.
template <class Framework, class Baseline>
void CompareRounds(const char* name, const char* unit, int rounds, Framework framework, Baseline baseline,
	const char* goal)
{
	std::vector<double> ours;
	std::vector<double> theirs;
	for (int round = 0; round < rounds; round++) {
		if (round % 2 == 0) {
			ours.push_back(framework());
			theirs.push_back(baseline());
		} else {
			theirs.push_back(baseline());
			ours.push_back(framework());
		}
	}
	PrintResultLine(name, unit, ours, theirs, goal);
}
