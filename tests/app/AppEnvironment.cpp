// The uninstaller's window draws: GDI+ runs for the whole test program, as the
// entry point starts it for the program.
#include "tests/harness/GdiplusEnvironment.h"

namespace {

[[maybe_unused]] ::testing::Environment* const gGdiplus =
	::testing::AddGlobalTestEnvironment(new zeltest::GdiplusEnvironment);

}  // namespace
