// Atomic bit operations as compare-exchange loops on the platform's interlocked
// primitive: the word is re-read and the exchange retried until no other thread
// changed it in between.
#include "kernel/Atomics.h"

#include <windows.h>

static_assert(sizeof(LONG) == sizeof(int32), "interlocked operations work on 32-bit words");

namespace {

volatile LONG* AsInterlockedWord(volatile int32* word)
{
	return reinterpret_cast<volatile LONG*>(word);
}

}  // namespace

int32 AtomicAnd(volatile int32* word, int32 mask)
{
	volatile LONG* target = AsInterlockedWord(word);
	LONG before = *target;
	for (;;) {
		LONG seen = InterlockedCompareExchange(target, before & mask, before);
		if (seen == before)
			return before;
		before = seen;
	}
}

int32 AtomicOr(volatile int32* word, int32 mask)
{
	volatile LONG* target = AsInterlockedWord(word);
	LONG before = *target;
	for (;;) {
		LONG seen = InterlockedCompareExchange(target, before | mask, before);
		if (seen == before)
			return before;
		before = seen;
	}
}
