// BDataIO: the one abstract byte stream of the framework.
//
// Read and Write answer the number of bytes moved or a negative status. Every
// operation a stream does not provide answers kUnsupported; the reserved
// operations keep room in the interface for later additions.
#pragma once

#include "support/SupportDefs.h"

class BDataIO {
public:
	virtual ~BDataIO();

	virtual int32 Read(void* buffer, size_t size) = 0;
	virtual int32 Write(const void* buffer, size_t size) = 0;
	[[nodiscard]] virtual status_t Sync();

private:
	[[nodiscard]] virtual status_t _ReservedDataIO1();
	[[nodiscard]] virtual status_t _ReservedDataIO2();
	[[nodiscard]] virtual status_t _ReservedDataIO3();
	[[nodiscard]] virtual status_t _ReservedDataIO4();
	virtual void _ReservedDataIO5();
	virtual void _ReservedDataIO6();
	virtual void _ReservedDataIO7();
	virtual void _ReservedDataIO8();
	virtual void _ReservedDataIO9();
	virtual void _ReservedDataIO10();
	virtual void _ReservedDataIO11();
	virtual void _ReservedDataIO12();
};
