// BInt32Vec and BFloatVec: resizing, fill values and extension by SetAt.
#include "support/FloatVec.h"
#include "support/Int32Vec.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<float> Contents(const BFloatVec& vector)
{
	return std::vector<float>(vector.Items(), vector.Items() + vector.CountItems());
}

TEST(Int32Vec, ResizingKeepsTheFirstValuesAndFillsTheRest)
{
	BInt32Vec vector;
	EXPECT_EQ(vector.SetCount(3), kOk);
	EXPECT_EQ(vector.ItemAt(2), 0);
	vector.EditItems()[0] = 11;
	vector.EditItems()[2] = 13;
	EXPECT_EQ(vector.SetCount(5, -7), kOk);
	EXPECT_EQ(std::vector<int32>(vector.Items(), vector.Items() + 5),
	          (std::vector<int32>{11, 0, 13, -7, -7}));
	EXPECT_EQ(vector.SetCount(2, 99), kOk);
	EXPECT_EQ(vector.CountItems(), 2);
	EXPECT_EQ(vector.ItemAt(1), 0);
	EXPECT_EQ(vector.ItemAt(2), 0);  // out of range
	EXPECT_EQ(vector.SetCount(-1), kOk);
	EXPECT_EQ(vector.CountItems(), 0);
	EXPECT_EQ(vector.Items(), nullptr);
}

TEST(FloatVec, SetAtOnAnEmptyVectorExtendsWithZeros)
{
	BFloatVec vector;
	EXPECT_EQ(vector.SetAt(5, 2.5f), kOk);
	EXPECT_EQ(Contents(vector), (std::vector<float>{0, 0, 0, 0, 0, 2.5f}));
	EXPECT_EQ(vector.Capacity(), 6);
	EXPECT_EQ(vector.SetAt(-1, 1.0f), kBadIndex);
	EXPECT_EQ(vector.SetAt(1, 1.0f), kOk);
	EXPECT_EQ(vector.CountItems(), 6);
	EXPECT_EQ(vector.ItemAt(1), 1.0f);
}

TEST(FloatVec, ShrinkingKeepsCapacityAndRegrowingFillsAgain)
{
	BFloatVec vector;
	EXPECT_EQ(vector.SetCount(4, 9.0f), kOk);
	EXPECT_EQ(Contents(vector), (std::vector<float>{9, 9, 9, 9}));
	EXPECT_EQ(vector.SetCount(1), kOk);
	EXPECT_EQ(vector.Capacity(), 4);
	// Values beyond the count are not left over from the larger count.
	EXPECT_EQ(vector.SetAt(2, 5.0f), kOk);
	EXPECT_EQ(Contents(vector), (std::vector<float>{9, 0, 5}));
	EXPECT_EQ(vector.SetCount(6, 1.5f), kOk);
	EXPECT_EQ(Contents(vector), (std::vector<float>{9, 0, 5, 1.5f, 1.5f, 1.5f}));
	EXPECT_EQ(vector.Capacity(), 6);
	EXPECT_EQ(vector.SetCount(-2), kBadValue);
	EXPECT_EQ(vector.CountItems(), 6);
}

}  // namespace
