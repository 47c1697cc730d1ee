// BFlattenable: an object that can write itself as a typed run of bytes and be
// read back from one, which is how such objects travel inside message fields.
//
// The virtual operations keep their order: the destructor follows Unflatten,
// and two reserved entries close the table.
#pragma once

#include "support/SupportDefs.h"

class BFlattenable {
public:
	BFlattenable() = default;
	BFlattenable(const BFlattenable&) = default;
	BFlattenable& operator=(const BFlattenable&) = default;

	// True when every object of the class flattens to the same size.
	virtual bool HasFixedSize() const = 0;
	virtual type_code TypeCode() const = 0;
	// The exact size Flatten writes; negative for a failure.
	virtual int32 FlattenedSize() const = 0;
	// Writes the flattened form into `size` bytes of `buffer`.
	[[nodiscard]] virtual status_t Flatten(void* buffer, int32 size) const = 0;
	// Whether Unflatten reads data of this type; by default only TypeCode's.
	virtual bool AcceptsTypeCode(type_code code) const;
	// Replaces the object's contents with `size` bytes of untrusted data.
	[[nodiscard]] virtual status_t Unflatten(type_code code, const void* buffer, int32 size) = 0;
	virtual ~BFlattenable();

private:
	virtual void _ReservedFlattenable1();
	virtual void _ReservedFlattenable2();
};
