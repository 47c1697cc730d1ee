#include "messaging/Archivable.h"

BArchivable::~BArchivable() = default;

status_t BArchivable::Archive(BMessage*, bool) const
{
	return kOk;
}

status_t BArchivable::Perform(uint32, void*)
{
	return kError;
}

void BArchivable::_ReservedArchivable1() {}
void BArchivable::_ReservedArchivable2() {}
void BArchivable::_ReservedArchivable3() {}
