#include "messaging/PropertyInfo.h"

#include "messaging/Message.h"

#include <cstdlib>
#include <cstring>

// The 'SCTD' form: a byte-order byte (0 when written; non-zero on reading means
// every integer is byte-swapped), the property count and the section flags,
// then per property its name, usage, extra data, commands and forms; the type
// section with the value types and compound types of every property; and the
// value section with its 16-bit count and the values. Lists end with a 32-bit 0.

namespace {

constexpr uint32 kTypeSection = 0x1;
constexpr uint32 kValueSection = 0x2;
// Flag words that say neither section is present.
constexpr uint32 kNoSectionsAll = 0xFFFFFFFFu;
constexpr uint32 kNoSectionsButLast = 0xFFFFFFFEu;
// The smallest property and value in the form: two empty texts and three words.
constexpr size_t kSmallestProperty = 1 + 1 + 4 + 4 + 4;
constexpr size_t kSmallestValue = 4 + 4 + 1 + 1 + 4;

// Writes the form, or with a null buffer only counts its bytes, so that the
// size and the contents cannot disagree.
class FormWriter {
public:
	explicit FormWriter(uint8* buffer) : fBuffer(buffer) {}

	void Byte(uint8 value) { Put(&value, 1); }
	void Half(uint16 value) { Put(&value, 2); }
	void Word(uint32 value) { Put(&value, 4); }
	void Text(const char* text)
	{
		if (text == nullptr)
			text = "";
		Put(text, std::strlen(text) + 1);
	}
	void List(const uint32* list, int32 limit)
	{
		for (int32 i = 0; i < limit && list[i] != 0; i++)
			Word(list[i]);
		Word(0);
	}
	size_t Size() const { return fSize; }

private:
	void Put(const void* data, size_t size)
	{
		if (fBuffer != nullptr)
			std::memcpy(fBuffer + fSize, data, size);
		fSize += size;
	}

	uint8* fBuffer;
	size_t fSize = 0;
};

// A pair name starts where an end mark (a 32-bit 0) could stand, so an empty
// name cannot be told from the end of the pairs: the pairs end at it.
bool IsPairName(const char* name)
{
	return name != nullptr && name[0] != 0;
}

void WriteCompoundTypes(FormWriter* out, const compound_type* compounds)
{
	for (int32 c = 0; c < kMaxCompoundTypes; c++) {
		const compound_type& compound = compounds[c];
		if (!IsPairName(compound.pairs[0].name))
			continue;
		for (int32 p = 0; p < kMaxCompoundPairs && IsPairName(compound.pairs[p].name); p++) {
			out->Text(compound.pairs[p].name);
			out->Word(compound.pairs[p].type);
		}
		out->Word(0);
	}
	out->Word(0);
}

void WriteForm(FormWriter* out, const property_info* properties, int32 propertyCount, const value_info* values,
	uint16 valueCount)
{
	out->Byte(0);
	out->Word(static_cast<uint32>(propertyCount));
	out->Word(valueCount > 0 ? kTypeSection | kValueSection : kTypeSection);
	for (int32 i = 0; i < propertyCount; i++) {
		const property_info& property = properties[i];
		out->Text(property.name);
		out->Text(property.usage);
		out->Word(property.extraData);
		out->List(property.commands, kMaxPropertyCommands);
		out->List(property.specifiers, kMaxPropertySpecifiers);
	}
	for (int32 i = 0; i < propertyCount; i++) {
		out->List(properties[i].types, kMaxPropertyTypes);
		WriteCompoundTypes(out, properties[i].compoundTypes);
	}
	if (valueCount == 0)
		return;
	out->Half(valueCount);
	for (int32 i = 0; i < valueCount; i++) {
		const value_info& value = values[i];
		out->Word(static_cast<uint32>(value.kind));
		out->Word(value.value);
		out->Text(value.name);
		out->Text(value.usage);
		out->Word(value.extraData);
	}
}

// Reads untrusted bytes: every read is checked against the end first.
class FormReader {
public:
	FormReader(const uint8* data, size_t size) : fData(data), fSize(size) {}

	void SetSwapped(bool swapped) { fSwapped = swapped; }
	bool Byte(uint8* value) { return Take(value, 1); }
	bool Half(uint16* value)
	{
		if (!Take(value, 2))
			return false;
		if (fSwapped)
			*value = __builtin_bswap16(*value);
		return true;
	}
	bool Word(uint32* value)
	{
		if (!Take(value, 4))
			return false;
		if (fSwapped)
			*value = __builtin_bswap32(*value);
		return true;
	}
	// A NUL-terminated text that lies wholly inside the data; the length leaves the NUL out.
	bool Text(const char** text, size_t* length)
	{
		const void* end = std::memchr(fData + fAt, 0, fSize - fAt);
		if (end == nullptr)
			return false;
		*text = reinterpret_cast<const char*>(fData + fAt);
		*length = static_cast<size_t>(static_cast<const uint8*>(end) - (fData + fAt));
		fAt += *length + 1;
		return true;
	}
	// Consumes a 32-bit 0 when one comes next.
	bool SkipZeroWord()
	{
		static const uint8 kZero[4] = {0, 0, 0, 0};
		if (fSize - fAt < 4 || std::memcmp(fData + fAt, kZero, 4) != 0)
			return false;
		fAt += 4;
		return true;
	}
	size_t Remaining() const { return fSize - fAt; }

private:
	bool Take(void* value, size_t size)
	{
		if (fSize - fAt < size)
			return false;
		std::memcpy(value, fData + fAt, size);
		fAt += size;
		return true;
	}

	const uint8* fData;
	size_t fSize;
	size_t fAt = 0;
	bool fSwapped = false;
};

// Texts of one table, kept after its entries in the table's own block. While
// measuring there is no block: only the bytes are counted.
class TextArea {
public:
	void SetArea(char* area, size_t capacity)
	{
		fArea = area;
		fCapacity = capacity;
		fUsed = 0;
	}
	bool Keep(const char* text, size_t length, const char** copy)
	{
		if (fArea != nullptr) {
			if (fCapacity - fUsed < length + 1)
				return false;
			std::memcpy(fArea + fUsed, text, length);
			fArea[fUsed + length] = 0;
			*copy = fArea + fUsed;
		}
		fUsed += length + 1;
		return true;
	}
	// An empty usage reads back as none, the way none is written.
	bool KeepUsage(const char* text, size_t length, const char** copy)
	{
		*copy = nullptr;
		return length == 0 || Keep(text, length, copy);
	}
	size_t Used() const { return fUsed; }

private:
	char* fArea = nullptr;
	size_t fCapacity = 0;
	size_t fUsed = 0;
};

// What the reader fills: nothing while measuring (entries are read into a
// scratch entry), the allocated tables while filling.
struct TableStore {
	property_info* properties = nullptr;
	value_info* values = nullptr;
	uint32 propertyCount = 0;
	uint16 valueCount = 0;
	TextArea propertyText;
	TextArea valueText;
};

bool ReadList(FormReader* in, uint32* list, int32 limit)
{
	for (int32 i = 0;; i++) {
		uint32 value;
		if (!in->Word(&value))
			return false;
		if (value == 0)
			return true;
		// More entries than the list holds: the form is damaged.
		if (i == limit)
			return false;
		list[i] = value;
	}
}

bool ReadProperty(FormReader* in, TextArea* text, property_info* property)
{
	const char* name;
	const char* usage;
	size_t nameLength;
	size_t usageLength;
	return in->Text(&name, &nameLength) && text->Keep(name, nameLength, &property->name) &&
		in->Text(&usage, &usageLength) && text->KeepUsage(usage, usageLength, &property->usage) &&
		in->Word(&property->extraData) && ReadList(in, property->commands, kMaxPropertyCommands) &&
		ReadList(in, property->specifiers, kMaxPropertySpecifiers);
}

bool ReadCompoundTypes(FormReader* in, TextArea* text, compound_type* compounds)
{
	for (int32 c = 0;; c++) {
		if (in->SkipZeroWord())
			return true;
		if (c == kMaxCompoundTypes)
			return false;
		for (int32 p = 0;; p++) {
			if (in->SkipZeroWord())
				break;
			if (p == kMaxCompoundPairs)
				return false;
			compound_type::field_pair& pair = compounds[c].pairs[p];
			const char* name;
			size_t length;
			if (!in->Text(&name, &length) || length == 0 || !text->Keep(name, length, &pair.name) ||
				!in->Word(&pair.type))
				return false;
		}
	}
}

bool ReadValue(FormReader* in, TextArea* text, value_info* value)
{
	uint32 kind;
	const char* name;
	const char* usage;
	size_t nameLength;
	size_t usageLength;
	if (!in->Word(&kind) || !in->Word(&value->value) || !in->Text(&name, &nameLength) ||
		!text->Keep(name, nameLength, &value->name) || !in->Text(&usage, &usageLength) ||
		!text->KeepUsage(usage, usageLength, &value->usage) || !in->Word(&value->extraData))
		return false;
	value->kind = static_cast<int32>(kind);
	return true;
}

// The entry to read into: the table's while filling, a cleared scratch entry while measuring.
template<typename Entry>
Entry* EntryAt(Entry* table, uint32 index, Entry* scratch)
{
	if (table != nullptr)
		return &table[index];
	std::memset(scratch, 0, sizeof(Entry));
	return scratch;
}

// While filling, the counts must be those measured, so that no entry lands
// outside its table.
bool ReadForm(FormReader* in, TableStore* store, bool filling)
{
	uint8 order;
	uint32 count;
	uint32 flags;
	if (!in->Byte(&order))
		return false;
	in->SetSwapped(order != 0);
	if (!in->Word(&count) || !in->Word(&flags))
		return false;
	// Each property takes some bytes, so a count beyond them is damage, not a
	// reason to allocate.
	if (count > static_cast<uint32>(INT32_MAX) || count > in->Remaining() / kSmallestProperty)
		return false;
	if (filling && count != store->propertyCount)
		return false;
	store->propertyCount = count;
	bool noSections = flags == kNoSectionsAll || flags == kNoSectionsButLast;
	bool typeSection = !noSections && (flags & kTypeSection) != 0;
	bool valueSection = !noSections && (flags & kValueSection) != 0;

	property_info scratchProperty;
	for (uint32 i = 0; i < count; i++) {
		if (!ReadProperty(in, &store->propertyText, EntryAt(store->properties, i, &scratchProperty)))
			return false;
	}
	for (uint32 i = 0; typeSection && i < count; i++) {
		property_info* property = EntryAt(store->properties, i, &scratchProperty);
		if (!ReadList(in, property->types, kMaxPropertyTypes) ||
			!ReadCompoundTypes(in, &store->propertyText, property->compoundTypes))
			return false;
	}
	uint16 valueCount = 0;
	if (valueSection && !in->Half(&valueCount))
		return false;
	if (valueCount > in->Remaining() / kSmallestValue || (filling && valueCount != store->valueCount))
		return false;
	store->valueCount = valueCount;
	value_info scratchValue;
	for (uint32 i = 0; i < valueCount; i++) {
		if (!ReadValue(in, &store->valueText, EntryAt(store->values, i, &scratchValue)))
			return false;
	}
	return true;
}

// One zeroed block: count + 1 entries (the last one ends the table) and the texts.
template<typename Entry>
Entry* AllocateTable(uint32 count, size_t textSize, TextArea* text)
{
	size_t entries = static_cast<size_t>(count) + 1;
	if (entries > (SIZE_MAX - textSize) / sizeof(Entry))
		return nullptr;
	void* block = std::calloc(1, entries * sizeof(Entry) + textSize);
	if (block == nullptr)
		return nullptr;
	Entry* table = static_cast<Entry*>(block);
	text->SetArea(reinterpret_cast<char*>(table + entries), textSize);
	return table;
}

bool ListHolds(const uint32* list, int32 limit, uint32 value)
{
	for (int32 i = 0; i < limit && list[i] != 0; i++) {
		if (list[i] == value)
			return true;
	}
	return false;
}

// The name matches byte for byte, and the entry takes every form or this one.
bool Qualifies(const property_info& property, const char* name, uint32 form)
{
	return std::strcmp(property.name, name) == 0 &&
		(property.specifiers[0] == 0 || ListHolds(property.specifiers, kMaxPropertySpecifiers, form));
}

}  // namespace

BPropertyInfo::BPropertyInfo(const property_info* properties, const value_info* values, bool ownsTables)
	: fProperties(properties),
	  fValues(values),
	  fOwnsTables(ownsTables)
{
	while (properties != nullptr && properties[fPropertyCount].name != nullptr)
		fPropertyCount++;
	while (values != nullptr && values[fValueCount].name != nullptr && fValueCount < UINT16_MAX)
		fValueCount++;
}

BPropertyInfo::~BPropertyInfo()
{
	FreeTables();
}

void BPropertyInfo::FreeTables()
{
	if (fOwnsTables) {
		std::free(const_cast<property_info*>(fProperties));
		std::free(const_cast<value_info*>(fValues));
	}
	fProperties = nullptr;
	fValues = nullptr;
	fPropertyCount = 0;
	fValueCount = 0;
	fOwnsTables = false;
}

bool BPropertyInfo::HasFixedSize() const
{
	return false;
}

type_code BPropertyInfo::TypeCode() const
{
	return kPropertyInfoType;
}

int32 BPropertyInfo::FlattenedSize() const
{
	FormWriter counter(nullptr);
	WriteForm(&counter, fProperties, fPropertyCount, fValues, fValueCount);
	if (counter.Size() > static_cast<size_t>(INT32_MAX))
		return kNoMemory;
	return static_cast<int32>(counter.Size());
}

status_t BPropertyInfo::Flatten(void* buffer, int32 size) const
{
	int32 needed = FlattenedSize();
	if (needed < 0)
		return needed;
	if (buffer == nullptr || size < needed)
		return kBadValue;
	FormWriter out(static_cast<uint8*>(buffer));
	WriteForm(&out, fProperties, fPropertyCount, fValues, fValueCount);
	return kOk;
}

bool BPropertyInfo::AcceptsTypeCode(type_code code) const
{
	return code == kPropertyInfoType;
}

// Two passes over the same bytes: the first checks the whole form and measures
// the tables, the second fills tables allocated to that measure, so damaged
// data never touches the object and nothing is allocated from an unchecked count.
status_t BPropertyInfo::Unflatten(type_code code, const void* buffer, int32 size)
{
	if (!AcceptsTypeCode(code))
		return kBadType;
	if (buffer == nullptr || size < 0)
		return kBadValue;
	const uint8* data = static_cast<const uint8*>(buffer);
	TableStore measured;
	FormReader measuring(data, static_cast<size_t>(size));
	if (!ReadForm(&measuring, &measured, false))
		return kBadData;

	TableStore store;
	store.propertyCount = measured.propertyCount;
	store.valueCount = measured.valueCount;
	store.properties =
		AllocateTable<property_info>(measured.propertyCount, measured.propertyText.Used(), &store.propertyText);
	if (store.valueCount > 0)
		store.values = AllocateTable<value_info>(measured.valueCount, measured.valueText.Used(), &store.valueText);
	FreeTables();
	if (store.properties == nullptr || (store.valueCount > 0 && store.values == nullptr)) {
		std::free(store.properties);
		std::free(store.values);
		return kNoMemory;
	}
	FormReader filling(data, static_cast<size_t>(size));
	if (!ReadForm(&filling, &store, true)) {
		// Only bytes that changed under the reader get here.
		std::free(store.properties);
		std::free(store.values);
		return kBadData;
	}
	fProperties = store.properties;
	fValues = store.values;
	fPropertyCount = static_cast<int32>(store.propertyCount);
	fValueCount = store.valueCount;
	fOwnsTables = true;
	return kOk;
}

int32 BPropertyInfo::MatchRequest(const BMessage* message, int32 index, const BMessage*, uint32 form,
	const char* property, uint32* extraData) const
{
	if (property == nullptr)
		return -1;
	// 0 ends every command list, so a message without one matches no command.
	uint32 command = message == nullptr ? 0 : message->what;
	int32 match = -1;
	for (int32 i = 0; i < fPropertyCount && match < 0; i++) {
		const property_info& entry = fProperties[i];
		if (!Qualifies(entry, property, form))
			continue;
		bool answers = index <= 0 ? ListHolds(entry.commands, kMaxPropertyCommands, command)
		                          : entry.commands[0] == 0;
		if (answers)
			match = i;
	}
	// At index 0 an entry without commands answers when no entry lists the command.
	for (int32 i = 0; match < 0 && index == 0 && i < fPropertyCount; i++) {
		if (Qualifies(fProperties[i], property, form) && fProperties[i].commands[0] == 0)
			match = i;
	}
	if (match >= 0 && extraData != nullptr)
		*extraData = fProperties[match].extraData;
	return match;
}

void BPropertyInfo::_ReservedPropertyInfo1() {}
void BPropertyInfo::_ReservedPropertyInfo2() {}
void BPropertyInfo::_ReservedPropertyInfo3() {}
void BPropertyInfo::_ReservedPropertyInfo4() {}
