// BPositionIO: sequential transfers on top of the positioned ones.
#include "support/PositionIO.h"

int32 BPositionIO::Read(void* buffer, size_t size)
{
	int32 count = ReadAt(Position(), buffer, size);
	if (count >= 0)
		Seek(Position() + count, 0);
	return count;
}

int32 BPositionIO::Write(const void* buffer, size_t size)
{
	int32 count = WriteAt(Position(), buffer, size);
	if (count >= 0)
		Seek(Position() + count, 0);
	return count;
}

status_t BPositionIO::SetSize(int32)
{
	return kError;
}

void BPositionIO::_ReservedPositionIO1() {}
void BPositionIO::_ReservedPositionIO2() {}
void BPositionIO::_ReservedPositionIO3() {}
void BPositionIO::_ReservedPositionIO4() {}
void BPositionIO::_ReservedPositionIO5() {}
void BPositionIO::_ReservedPositionIO6() {}
void BPositionIO::_ReservedPositionIO7() {}
void BPositionIO::_ReservedPositionIO8() {}
void BPositionIO::_ReservedPositionIO9() {}
void BPositionIO::_ReservedPositionIO10() {}
void BPositionIO::_ReservedPositionIO11() {}
void BPositionIO::_ReservedPositionIO12() {}
