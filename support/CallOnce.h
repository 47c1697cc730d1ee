// CallOnce: one-time initialisation that any number of threads may race for.
//
// The state word starts at 0. The first caller runs the function; every other
// caller returns only after it has finished. Late callers poll every 20
// milliseconds, which suits the rare, start-up uses this is made for.
#pragma once

#include "support/SupportDefs.h"

#include <atomic>

typedef void (*OnceFunction)(void* argument);

void CallOnce(std::atomic<int32>& state, OnceFunction function, void* argument);
