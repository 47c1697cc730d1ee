// The system colour table, read from the platform's GetSysColor elements.
#include "interface/SystemColors.h"

#include <windows.h>

namespace {

rgb_color gSystemColors[kSystemColorCount];

// Where an entry comes from: a GetSysColor element, the contrast of an earlier
// entry, or nothing (the entry stays all zero).
enum class Source { Platform, ContrastOf, Unset };

struct ColorSource {
	Source source;
	int value;  // the element, or the entry to contrast with
};

constexpr ColorSource kColorSources[kSystemColorCount] = {
	{Source::Platform, COLOR_WINDOW},
	{Source::Platform, COLOR_WINDOWTEXT},
	{Source::Platform, COLOR_BTNHIGHLIGHT},
	{Source::ContrastOf, 2},
	{Source::Platform, COLOR_HIGHLIGHT},
	{Source::Platform, COLOR_HIGHLIGHTTEXT},
	{Source::Platform, COLOR_BTNFACE},
	{Source::Platform, COLOR_BTNTEXT},
	{Source::Platform, COLOR_BTNHIGHLIGHT},
	{Source::ContrastOf, 8},
	{Source::Platform, COLOR_MENU},
	{Source::Platform, COLOR_MENUHILIGHT},
	{Source::Platform, COLOR_MENUTEXT},
	{Source::Platform, COLOR_HIGHLIGHTTEXT},
	{Source::Unset, 0},
	{Source::Unset, 0},
	{Source::Platform, COLOR_WINDOWFRAME},
	{Source::Platform, COLOR_HIGHLIGHT},
	{Source::Platform, COLOR_BACKGROUND},
	{Source::Platform, COLOR_INFOBK},
	{Source::Platform, COLOR_INFOTEXT},
};

rgb_color FromColorRef(COLORREF color)
{
	return rgb_color{GetRValue(color), GetGValue(color), GetBValue(color), 255};
}

}  // namespace

rgb_color SystemColor(int32 index)
{
	if (index < 0 || index >= kSystemColorCount)
		index = 0;
	return gSystemColors[index];
}

rgb_color ContrastingBlackOrWhite(rgb_color background)
{
	int32 sum = background.red + background.green + background.blue;
	if (sum >= 384)
		return rgb_color{0, 0, 0, 255};
	return rgb_color{255, 255, 255, 255};
}

void BPrivate::LoadSystemColors()
{
	// Entries are filled in index order, so a contrast entry always finds the
	// entry it depends on already read.
	for (int32 index = 0; index < kSystemColorCount; index++) {
		const ColorSource& source = kColorSources[index];
		switch (source.source) {
		case Source::Platform:
			gSystemColors[index] = FromColorRef(GetSysColor(source.value));
			break;
		case Source::ContrastOf:
			gSystemColors[index] = ContrastingBlackOrWhite(gSystemColors[source.value]);
			break;
		case Source::Unset:
			gSystemColors[index] = rgb_color{0, 0, 0, 0};
			break;
		}
	}
}
