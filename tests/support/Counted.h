// An element type that counts what the containers do with it, so that a leak,
// a double destroy or a bitwise move of a live object fails a test.
#pragma once

#include "support/SupportDefs.h"

namespace zeltest {

class Counted {
public:
	Counted() : fSelf(this) { sLive++; }
	explicit Counted(int32 value) : fValue(value), fSelf(this) { sLive++; }
	Counted(const Counted& other) : fValue(other.fValue), fSelf(this)
	{
		other.Check();
		sLive++;
		sCopies++;
	}
	~Counted()
	{
		Check();
		fSelf = nullptr;
		sLive--;
	}
	Counted& operator=(const Counted& other)
	{
		Check();
		other.Check();
		fValue = other.fValue;
		sAssignments++;
		return *this;
	}

	int32 Value() const { return fValue; }
	bool operator<(const Counted& other) const { return fValue < other.fValue; }

	// A live object always points at itself; memcpy into raw memory or a
	// destroyed object breaks that.
	void Check() const
	{
		if (fSelf != this)
			sBroken++;
	}

	static void Reset() { sLive = sCopies = sAssignments = sBroken = 0; }

	static inline int32 sLive = 0;
	static inline int32 sCopies = 0;
	static inline int32 sAssignments = 0;
	static inline int32 sBroken = 0;

private:
	int32 fValue = 0;
	const Counted* fSelf;
};

}  // namespace zeltest
