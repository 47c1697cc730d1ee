// BPropertyInfo: the table of properties a scripted object answers to, and the
// matching of a scripting request against it.
//
// A property table is an array of property_info entries ended by one whose name
// is null; a value table likewise. Replies to suite requests carry the tables
// flattened as 'SCTD' data. A BPropertyInfo is used by one thread at a time.
#pragma once

#include "messaging/Flattenable.h"
#include "messaging/TypeCodes.h"

class BMessage;

// Specifier forms of scripting requests.
constexpr uint32 kDirectSpecifier = 1;
constexpr uint32 kIndexSpecifier = 2;
constexpr uint32 kReverseIndexSpecifier = 3;

constexpr int32 kMaxPropertyCommands = 10;
constexpr int32 kMaxPropertySpecifiers = 10;
constexpr int32 kMaxPropertyTypes = 10;
constexpr int32 kMaxCompoundTypes = 3;
constexpr int32 kMaxCompoundPairs = 5;

// A value made of named parts; the pair list ends at the first null or empty name.
struct compound_type {
	struct field_pair {
		const char* name;
		type_code type;
	};
	field_pair pairs[kMaxCompoundPairs];
};

// The command, form and type lists end at the first 0 (or when full).
struct property_info {
	const char* name;
	uint32 commands[kMaxPropertyCommands];
	uint32 specifiers[kMaxPropertySpecifiers];
	const char* usage;
	uint32 extraData;
	type_code types[kMaxPropertyTypes];
	compound_type compoundTypes[kMaxCompoundTypes];
	uint32 reserved[10];
};

struct value_info {
	const char* name;
	uint32 value;
	int32 kind;
	const char* usage;
	uint32 extraData;
	uint32 reserved[10];
};

class BPropertyInfo : public BFlattenable {
public:
	// Either table may be null. With ownsTables each table is one block from
	// malloc, freed (and only it: not the texts it points to) with the object.
	explicit BPropertyInfo(const property_info* properties = nullptr, const value_info* values = nullptr,
		bool ownsTables = false);
	~BPropertyInfo() override;
	BPropertyInfo(const BPropertyInfo&) = delete;
	BPropertyInfo& operator=(const BPropertyInfo&) = delete;

	bool HasFixedSize() const override;
	type_code TypeCode() const override;
	int32 FlattenedSize() const override;
	// kBadValue when the buffer is smaller than FlattenedSize.
	[[nodiscard]] status_t Flatten(void* buffer, int32 size) const override;
	bool AcceptsTypeCode(type_code code) const override;
	// Reads 'SCTD' data in either byte order into tables the object owns.
	// Damaged or truncated data gives kBadData and leaves the object as it
	// was; kNoMemory leaves it empty.
	[[nodiscard]] status_t Unflatten(type_code code, const void* buffer, int32 size) override;

	// The position of the entry that answers a request for `property` in the
	// given specifier form at specifier `index`, or -1; `extraData` (optional)
	// receives the entry's extra data.
	virtual int32 MatchRequest(const BMessage* message, int32 index, const BMessage* specifier, uint32 form,
		const char* property, uint32* extraData = nullptr) const;

	const property_info* Properties() const { return fProperties; }
	const value_info* Values() const { return fValues; }
	int32 CountProperties() const { return fPropertyCount; }
	int32 CountValues() const { return fValueCount; }

private:
	void FreeTables();

	virtual void _ReservedPropertyInfo1();
	virtual void _ReservedPropertyInfo2();
	virtual void _ReservedPropertyInfo3();
	virtual void _ReservedPropertyInfo4();

	const property_info* fProperties = nullptr;
	const value_info* fValues = nullptr;
	int32 fPropertyCount = 0;
	bool fOwnsTables = false;
	uint16 fValueCount = 0;
};
