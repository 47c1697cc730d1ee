#include "messaging/Flattenable.h"

bool BFlattenable::AcceptsTypeCode(type_code code) const
{
	return code == TypeCode();
}

BFlattenable::~BFlattenable() = default;

void BFlattenable::_ReservedFlattenable1() {}
void BFlattenable::_ReservedFlattenable2() {}
