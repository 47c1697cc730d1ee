// BDataIO: the defaults every stream inherits.
#include "support/DataIO.h"

BDataIO::~BDataIO() = default;

status_t BDataIO::Sync()
{
	return kUnsupported;
}

status_t BDataIO::_ReservedDataIO1() { return kUnsupported; }
status_t BDataIO::_ReservedDataIO2() { return kUnsupported; }
status_t BDataIO::_ReservedDataIO3() { return kUnsupported; }
status_t BDataIO::_ReservedDataIO4() { return kUnsupported; }
void BDataIO::_ReservedDataIO5() {}
void BDataIO::_ReservedDataIO6() {}
void BDataIO::_ReservedDataIO7() {}
void BDataIO::_ReservedDataIO8() {}
void BDataIO::_ReservedDataIO9() {}
void BDataIO::_ReservedDataIO10() {}
void BDataIO::_ReservedDataIO11() {}
void BDataIO::_ReservedDataIO12() {}
