// The interface metrics: a table of sizes that controls and window frames are
// laid out with, and a table of colour defaults.
//
// Filled and cleared on the application's thread while no window exists, so
// the plain arrays need no lock for the reads of other threads in between.
#include "interface/InterfaceMetrics.h"

#include "interface/Font.h"

#include <windows.h>

namespace {

constexpr int32 kMetricCount = 13;
constexpr int32 kColorCount = kScrollBarColorIndex + 1;

float gMetrics[kMetricCount];
rgb_color gColors[kColorCount];

bool InTable(int32 index, int32 count)
{
	return index >= 0 && index < count;
}

}  // namespace

float InterfaceMetric(int32 index)
{
	return InTable(index, kMetricCount) ? gMetrics[index] : 0.0f;
}

rgb_color InterfaceColor(int32 index)
{
	return InTable(index, kColorCount) ? gColors[index] : rgb_color{0, 0, 0, 0};
}

void BPrivate::LoadInterfaceMetrics()
{
	// Without the system fonts the sizes that derive from the plain font are
	// those of an empty font.
	const BFont noFont;
	const BFont& plain = PlainFont() != nullptr ? *PlainFont() : noFont;
	float lineHeight = plain.CombinedHeight(kAscentPart | kDescentPart | kLeadingPart);

	const float metrics[kMetricCount] = {
		0.0f,
		0.0f,
		plain.Size(),
		lineHeight,
		0.0f,
		static_cast<float>(GetSystemMetrics(SM_CYHSCROLL)),
		static_cast<float>(GetSystemMetrics(SM_CXVSCROLL)),
		lineHeight + 14.0f,
		12.0f,
		lineHeight + 5.0f,
		lineHeight + 4.0f,
		lineHeight + 10.0f,
		lineHeight + 10.0f,
	};
	for (int32 index = 0; index < kMetricCount; index++)
		gMetrics[index] = metrics[index];

	COLORREF scrollBar = GetSysColor(COLOR_SCROLLBAR);
	gColors[kScrollBarColorIndex] = rgb_color{GetRValue(scrollBar), GetGValue(scrollBar), GetBValue(scrollBar), 255};
}

void BPrivate::ClearInterfaceMetrics()
{
	for (float& metric : gMetrics)
		metric = 0.0f;
	for (rgb_color& color : gColors)
		color = rgb_color{0, 0, 0, 0};
}
