// A byte stream that keeps everything written to it as one text.
#pragma once

#include "support/DataIO.h"

#include <string>

namespace zeltest {

class StringOutput : public BDataIO {
public:
	int32 Read(void*, size_t) override { return kNotAllowed; }
	int32 Write(const void* data, size_t length) override
	{
		fText.append(static_cast<const char*>(data), length);
		return static_cast<int32>(length);
	}

	std::string fText;
};

}  // namespace zeltest
