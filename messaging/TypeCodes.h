// Type codes of message fields, in one place.
//
// A type code says what a field's items hold; like what-codes they are four
// characters with the first one in the most significant byte. Fields of any
// other code are kept and flattened as opaque bytes.
#pragma once

#include "support/SupportDefs.h"

// Matches any type in lookups and when adding to an existing field.
constexpr type_code kAnyType = FourCC("ANYT");
// Strong and weak references to a BAtom: the object's address.
constexpr type_code kAtomType = FourCC("ATOM");
constexpr type_code kAtomRefType = FourCC("ATMR");
constexpr type_code kBoolType = FourCC("BOOL");
// Two 32-bit floats x, y.
constexpr type_code kPointType = FourCC("BPNT");
constexpr type_code kInt8Type = FourCC("BYTE");
constexpr type_code kCharType = FourCC("CHAR");
// UTF-8 text with its terminating NUL.
constexpr type_code kUtf8Type = FourCC("CSTR");
constexpr type_code kDoubleType = FourCC("DBLE");
constexpr type_code kFloatType = FourCC("FLOT");
constexpr type_code kInt64Type = FourCC("LLNG");
constexpr type_code kInt32Type = FourCC("LONG");
// A nested message in its flattened form.
constexpr type_code kMessageType = FourCC("MSGG");
// A BMessenger in its 24-byte layout.
constexpr type_code kMessengerType = FourCC("MSNG");
constexpr type_code kOffsetType = FourCC("OFFT");
constexpr type_code kPointerType = FourCC("PNTR");
// Four 32-bit floats left, top, right, bottom.
constexpr type_code kRectType = FourCC("RECT");
// Red, green, blue and alpha bytes.
constexpr type_code kColorType = FourCC("RGBC");
// A file-system reference, variable size.
constexpr type_code kRefType = FourCC("RREF");
// A flattened BPropertyInfo table.
constexpr type_code kPropertyInfoType = FourCC("SCTD");
constexpr type_code kInt16Type = FourCC("SHRT");
constexpr type_code kSizeType = FourCC("SIZT");
constexpr type_code kSignedSizeType = FourCC("SSZT");
constexpr type_code kTimeType = FourCC("TIME");
constexpr type_code kUInt8Type = FourCC("UBYT");
constexpr type_code kUInt64Type = FourCC("ULLG");
constexpr type_code kUInt32Type = FourCC("ULNG");
constexpr type_code kUInt16Type = FourCC("USHT");
// UTF-16 text with its terminating zero unit.
constexpr type_code kTextType = FourCC("USTR");
