// The result line every benchmark prints for scripts/bench.sh:
// RESULT|name|figure|baseline|ratio median|spread low|spread high|goal
// with the medians of rounds that alternate the framework and its baseline.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

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
	std::printf("RESULT|%s|%.3f %s|%.3f %s|%.3f|%.3f|%.3f|%s\n", name, Median(framework), unit, Median(baseline),
		unit, Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
		*std::max_element(ratios.begin(), ratios.end()), goal);
}
