// The progress sink that keeps the shell's file operation from deleting for good.
#include "storage/RecycleBin.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shobjidl.h>

namespace {

// Wine does not implement the file operation object, so the sink is driven
// here as the object would drive it.
TEST(RecycleBin, SinkLetsThroughOnlyDeletesThatRecycle)
{
	IFileOperationProgressSink* sink = BPrivate::NewRecycleOnlySink();
	ASSERT_NE(sink, nullptr);
	EXPECT_EQ(sink->PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE | TSF_COPY_LOCALIZED_NAME, nullptr), S_OK);
	EXPECT_EQ(sink->PreMoveItem(TSF_NORMAL, nullptr, nullptr, nullptr), S_OK);
	EXPECT_EQ(sink->PreDeleteItem(TSF_NORMAL, nullptr), E_ABORT);
	// After one refusal the operation is over: nothing more goes, recycled or not.
	EXPECT_EQ(sink->PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, nullptr), E_ABORT);
	EXPECT_EQ(sink->Release(), 0u);
}

}  // namespace
