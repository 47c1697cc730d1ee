// Every test executable replaces the debugger box with a recorder, so a report
// of misuse never blocks a test on a modal window; tests read what was reported.
#pragma once

#include <string>
#include <vector>

namespace zeltest {

// The texts reported since the last call, oldest first; the record is emptied.
std::vector<std::string> TakeDebuggerReports();

}  // namespace zeltest
