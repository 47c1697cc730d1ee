// Atomic bit operations on a 32-bit word shared between threads.
//
// Each returns the value the word held before the change. Any thread may call.
#pragma once

#include "support/SupportDefs.h"

int32 AtomicAnd(volatile int32* word, int32 mask);
int32 AtomicOr(volatile int32* word, int32 mask);
