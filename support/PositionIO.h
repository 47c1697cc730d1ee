// BPositionIO: a byte stream with a current position.
//
// Subclasses provide positioned transfers, Seek and Position; the plain Read
// and Write of BDataIO are built from them and move the position past the
// bytes transferred. Positions and sizes are signed 32-bit values; seek mode 0
// counts from the start.
#pragma once

#include "support/DataIO.h"

class BPositionIO : public BDataIO {
public:
	int32 Read(void* buffer, size_t size) override;
	int32 Write(const void* buffer, size_t size) override;

	virtual int32 ReadAt(int32 position, void* buffer, size_t size) = 0;
	virtual int32 WriteAt(int32 position, const void* buffer, size_t size) = 0;
	virtual int32 Seek(int32 position, int32 mode) = 0;
	virtual int32 Position() const = 0;
	// Only a resizable memory stream could change its size, and the framework
	// has none: every stream answers -1 unless it overrides this.
	[[nodiscard]] virtual status_t SetSize(int32 size);

private:
	virtual void _ReservedPositionIO1();
	virtual void _ReservedPositionIO2();
	virtual void _ReservedPositionIO3();
	virtual void _ReservedPositionIO4();
	virtual void _ReservedPositionIO5();
	virtual void _ReservedPositionIO6();
	virtual void _ReservedPositionIO7();
	virtual void _ReservedPositionIO8();
	virtual void _ReservedPositionIO9();
	virtual void _ReservedPositionIO10();
	virtual void _ReservedPositionIO11();
	virtual void _ReservedPositionIO12();
};
