// The interface tests draw: GDI+ runs for the whole test program.
#include "tests/harness/GdiplusEnvironment.h"

namespace {

[[maybe_unused]] ::testing::Environment* const gGdiplus =
	::testing::AddGlobalTestEnvironment(new zeltest::GdiplusEnvironment);

}  // namespace
