// The tests' one time limit. A wait for something that should come, or a loop
// that should end by itself, still unfinished after this long has failed; the
// limit only turns a hang into a clean failure, so it is generous.
#pragma once

#include <windows.h>

namespace zeltest {

constexpr DWORD kDeadlineMillis = 20000;

}  // namespace zeltest
