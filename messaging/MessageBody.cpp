// BMessageBody: fields in the flattened layout, changed in place.
//
// Every change is expressed as resizing one region of the data area
// (ResizeRegion, once the room for any growth is reserved), which moves
// everything behind it and corrects the index and end offsets and the index
// entries; the field code then only rewrites its own chunk.
#include "messaging/MessageBody.h"

#include "messaging/MessageAtoms.h"
#include "messaging/MessageChunks.h"
#include "messaging/MessageDiagnostics.h"

#include <cstdlib>
#include <cstring>
#include <new>

using namespace BPrivate;

namespace {

size_t AllocationSize(uint32 capacity)
{
	return BMessageBody::kDataStart + capacity;
}

uint32 DataStartFor(uint32 nameLength)
{
	return RoundUp8(kNameStart + 1 + nameLength);
}

uint32 IndexChunkSize(uint32 fields)
{
	return kChunkHeaderSize + 4 * fields;
}

void WriteChunkHeader(uint8* chunk, uint16 kind, uint16 subKind, uint32 size)
{
	Store16(chunk, kind);
	Store16(chunk + 2, subKind);
	Store32(chunk + 4, size);
}

bool IsAtomType(type_code type)
{
	return type == kAtomType || type == kAtomRefType;
}

// The atom count a nested message's 'fo' chunk records.
uint32 NestedAtomCount(const uint8* item, uint32 size)
{
	uint32 offset = 16;
	while (size >= offset && size - offset >= kChunkHeaderSize) {
		uint16 kind = Load16(item + offset);
		uint32 chunkSize = Load32(item + offset + 4);
		if ((kind & kHeaderChunkBit) == 0 || chunkSize < kChunkHeaderSize || chunkSize > size - offset)
			return 0;
		if (kind == ChunkCode("fo"))
			return chunkSize >= 24 ? Load32(item + offset + 16) : 0;
		offset += chunkSize;
	}
	return 0;
}

// strcmp's order of `name`, of `length` bytes, and the name of the field chunk
// at `chunk`. Both names end in a zero byte at their length and `name` holds
// none before it, so the bytes up to the shorter one's zero byte decide as
// strcmp would: a zero inside the chunk's name meets a byte of `name` that is
// not zero, or `name`'s own zero byte.
int CompareWithChunkName(const char* name, uint32 length, const uint8* chunk)
{
	uint32 chunkLength = chunk[kNameStart - 1];
	uint32 count = (length < chunkLength ? length : chunkLength) + 1;
	return CompareLeadingBytes(name, reinterpret_cast<const char*>(chunk + kNameStart), count);
}

}  // namespace

BMessageBody::BMessageBody(uint32 capacity)
	: fReferences(1), fFlags(0), fIndexOffset(0), fEndOffset(0), fAtomCount(0), fReserved(0),
	  fCapacity(capacity), fUsedSize(0)
{
	std::memset(fHeaderArea, 0, sizeof(fHeaderArea));
	WriteEmptyLayout();
}

BMessageBody* BMessageBody::Create(uint32 capacity)
{
	if (capacity > kMaxBodySize)
		return nullptr;
	capacity = RoundUp8(capacity < kMinimumCapacity ? kMinimumCapacity : capacity);
	void* memory = std::malloc(AllocationSize(capacity));
	if (memory == nullptr)
		return nullptr;
	return new (memory) BMessageBody(capacity);
}

void BMessageBody::WriteEmptyLayout()
{
	WriteChunkHeader(DataArea(), kIndexChunk, kIndexSubKind, IndexChunkSize(0));
	WriteChunkHeader(DataArea() + 8, kEndChunk, kPaddingSubKind, kChunkHeaderSize);
	fIndexOffset = 0;
	fEndOffset = 8;
	fUsedSize = kEmptyUsedSize;
	fAtomCount = 0;
}

BMessageBody* BMessageBody::Copy() const
{
	BMessageBody* copy = Create(fUsedSize);
	if (copy == nullptr)
		return nullptr;
	std::memcpy(copy->DataArea(), DataArea(), fUsedSize);
	copy->fUsedSize = fUsedSize;
	copy->fIndexOffset = fIndexOffset;
	copy->fEndOffset = fEndOffset;
	copy->fAtomCount = fAtomCount;
	copy->fFlags.store(fFlags.load(std::memory_order_relaxed) & ~kHeaderAreaInUse, std::memory_order_relaxed);
	if (copy->fAtomCount != 0)
		copy->AcquireAtoms();
	return copy;
}

status_t BMessageBody::MakePrivate(BMessageBody** body)
{
	if (*body == nullptr) {
		*body = Create();
		return *body == nullptr ? kNoMemory : kOk;
	}
	if (!(*body)->IsShared())
		return kOk;
	BMessageBody* copy = (*body)->Copy();
	if (copy == nullptr)
		return kNoMemory;
	(*body)->Release();
	*body = copy;
	return kOk;
}

void BMessageBody::Acquire()
{
	fReferences.fetch_add(1, std::memory_order_relaxed);
}

void BMessageBody::Release()
{
	if (fReferences.fetch_sub(1, std::memory_order_acq_rel) != 1)
		return;
	if (fAtomCount != 0)
		ReleaseAtoms();
	this->~BMessageBody();
	std::free(this);
}

void BMessageBody::MakeEmpty()
{
	if (fAtomCount != 0)
		ReleaseAtoms();
	WriteEmptyLayout();
	fFlags.fetch_and(kHeaderAreaInUse, std::memory_order_relaxed);
}

void BMessageBody::SetHasSpecifiers(bool has)
{
	if (has)
		fFlags.fetch_or(kHasSpecifiers, std::memory_order_relaxed);
	else
		fFlags.fetch_and(~kHasSpecifiers, std::memory_order_relaxed);
}

void BMessageBody::Adopt(uint32 usedSize, uint32 indexOffset, uint32 endOffset, uint32 atomCount)
{
	fUsedSize = usedSize;
	fIndexOffset = indexOffset;
	fEndOffset = endOffset;
	fAtomCount = atomCount;
}

// --- lookups ---

void BMessageBody::ReportInvalidIndex(uint32 offset, int32 position) const
{
	BodyDiagnostic()
		.Text(": Invalid index ")
		.Unsigned(offset)
		.Text("(#")
		.Signed(position)
		.Text(") in message body (end=")
		.Unsigned(fEndOffset)
		.Text(")")
		.ToErrorOut();
	DumpBodyToErrorOut(DataArea(), fUsedSize);
}

int32 BMessageBody::FindField(const char* name, int32* position) const
{
	int32 count = FieldCount();
	const uint32* entries = IndexEntries();
	uint32 length = static_cast<uint32>(std::strlen(name));
	if (count < 3 && position == nullptr) {
		for (int32 i = 0; i < count; i++) {
			uint32 offset = entries[i];
			if (offset >= fEndOffset) {
				ReportInvalidIndex(offset, i);
				continue;
			}
			if (CompareWithChunkName(name, length, DataArea() + offset) == 0)
				return static_cast<int32>(offset);
		}
		return -1;
	}
	int32 lo = 0;
	int32 hi = count - 1;
	while (lo <= hi) {
		int32 mid = lo + (hi - lo + 1) / 2;
		uint32 offset = entries[mid];
		if (offset >= fEndOffset) {
			ReportInvalidIndex(offset, mid);
			if (position != nullptr)
				*position = -1;
			return -1;
		}
		int order = CompareWithChunkName(name, length, DataArea() + offset);
		if (order == 0) {
			if (position != nullptr)
				*position = mid;
			return static_cast<int32>(offset);
		}
		if (order < 0)
			hi = mid - 1;
		else
			lo = mid + 1;
	}
	if (position != nullptr)
		*position = lo;
	return -1;
}

void BMessageBody::DescribeField(uint32 chunkOffset, BMessageField* field) const
{
	FieldLayout layout;
	ReadFieldChunk(DataArea(), fEndOffset, chunkOffset, &layout);
	field->offset = chunkOffset;
	field->name = layout.name;
	field->type = layout.type;
	field->form = layout.form;
	field->count = static_cast<int32>(layout.count);
	field->itemSize = layout.form == kVariableArray ? -1 : static_cast<int32>(layout.itemSize);
	field->item = DataArea() + chunkOffset + layout.data + (layout.form == kSingleItem ? 0 : 8);
}

status_t BMessageBody::LookUp(const char* name, int32 index, BMessageField* field, uint32* itemSize) const
{
	int32 offset = FindField(name);
	FieldLayout layout;
	if (offset < 0 || !ReadFieldChunk(DataArea(), fEndOffset, static_cast<uint32>(offset), &layout))
		return kNameNotFound;
	field->offset = static_cast<uint32>(offset);
	field->name = layout.name;
	field->type = layout.type;
	field->form = layout.form;
	field->count = static_cast<int32>(layout.count);
	field->itemSize = layout.form == kVariableArray ? -1 : static_cast<int32>(layout.itemSize);
	if (static_cast<uint32>(index) >= layout.count)
		return kBadIndex;
	uint32 start;
	FieldItemBounds(DataArea() + offset, layout, static_cast<uint32>(index), &start, itemSize);
	field->item = DataArea() + offset + start;
	return kOk;
}

bool BMessageBody::ItemAt(uint32 chunkOffset, int32 index, const void** data, uint32* size) const
{
	FieldLayout layout;
	if (index < 0 || !ReadFieldChunk(DataArea(), fEndOffset, chunkOffset, &layout) ||
		static_cast<uint32>(index) >= layout.count)
		return false;
	uint32 start;
	FieldItemBounds(DataArea() + chunkOffset, layout, static_cast<uint32>(index), &start, size);
	*data = DataArea() + chunkOffset + start;
	return true;
}

// Visits the chunks from the cookie in creation order. Statuses: kBadValue for
// a cookie at or past the used size; kBadType when no field of the type was met;
// kBadIndex when matches were met but fewer than skip + 1, or the item index is
// past the count; kNameNotFound when fields of the type were met but none named so.
status_t BMessageBody::NextField(uint32* cookie, type_code type, const char* name, int32 skip,
	int32 itemIndex, BMessageField* field) const
{
	if (*cookie >= fUsedSize)
		return kBadValue;
	bool typeSeen = false;
	bool matchSeen = false;
	uint32 offset = *cookie;
	while (fUsedSize - offset >= kChunkHeaderSize) {
		uint16 kind = Load16(DataArea() + offset);
		uint32 next = offset + RoundUp8(Load32(DataArea() + offset + 4));
		if (kind == kEndChunk)
			break;
		FieldLayout layout;
		if (kind == kFieldChunk && ReadFieldChunk(DataArea(), fEndOffset, offset, &layout)) {
			bool typeMatches = type == kAnyType || layout.type == kAnyType || layout.type == type;
			if (typeMatches) {
				typeSeen = true;
				if (name == nullptr || std::strcmp(name, layout.name) == 0) {
					matchSeen = true;
					if (skip-- == 0) {
						*cookie = next;
						if (next > fUsedSize)
							return kBadData;
						DescribeField(offset, field);
						if (itemIndex >= field->count)
							return kBadIndex;
						uint32 size;
						const void* item;
						ItemAt(offset, itemIndex < 0 ? 0 : itemIndex, &item, &size);
						field->item = static_cast<const uint8*>(item);
						return kOk;
					}
				}
			}
		}
		offset = next;
	}
	if (!typeSeen)
		return kBadType;
	return matchSeen ? kBadIndex : kNameNotFound;
}

// --- room and moves ---

status_t BMessageBody::Reserve(BMessageBody** body, uint32 size)
{
	BMessageBody* current = *body;
	if (size <= current->fCapacity)
		return kOk;
	if (size > kMaxBodySize)
		return kNoMemory;
	uint32 capacity = RoundUp8(current->fCapacity + current->fCapacity / 2);
	if (capacity < RoundUp8(size))
		capacity = RoundUp8(size);
	void* memory = std::realloc(current, AllocationSize(capacity));
	if (memory == nullptr)
		return kNoMemory;
	current = static_cast<BMessageBody*>(memory);
	current->fCapacity = capacity;
	*body = current;
	return kOk;
}

// Room for a region growing from oldLength to newLength; a shrink never moves the body.
status_t BMessageBody::ReserveGrowth(BMessageBody** body, uint32 oldLength, uint32 newLength)
{
	if (newLength <= oldLength)
		return kOk;
	return Reserve(body, (*body)->fUsedSize + (newLength - oldLength));
}

// The region [at, at + oldLength) becomes newLength bytes long, in room the
// caller has reserved (a shrink needs none); new bytes are zero. Offsets
// behind the region move with it.
void BMessageBody::ResizeRegion(uint32 at, uint32 oldLength, uint32 newLength)
{
	uint32 tail = at + oldLength;
	uint8* data = DataArea();
	std::memmove(data + at + newLength, data + tail, fUsedSize - tail);
	if (newLength > oldLength)
		std::memset(data + tail, 0, newLength - oldLength);
	uint32 delta = newLength - oldLength;  // wraps for a shrink; the sums below wrap back
	fUsedSize += delta;
	if (fIndexOffset >= tail)
		fIndexOffset += delta;
	if (fEndOffset >= tail)
		fEndOffset += delta;
	// A damaged entry (at or past the end mark) moves with the end mark, so it
	// stays damaged; one beyond any possible body is left alone, lest it wrap.
	uint32* entries = IndexEntries();
	for (int32 i = 0, count = FieldCount(); i < count; i++) {
		if (entries[i] >= tail && entries[i] < kMaxBodySize)
			entries[i] += delta;
	}
}

// In room the caller has reserved.
void BMessageBody::InsertIndexEntry(int32 position, uint32 chunkOffset)
{
	uint32 count = static_cast<uint32>(FieldCount());
	uint32 oldSize = IndexChunkSize(count);
	ResizeRegion(fIndexOffset, RoundUp8(oldSize), RoundUp8(oldSize + 4));
	uint32* entries = IndexEntries();
	std::memmove(entries + position + 1, entries + position, (count - position) * 4);
	entries[position] = chunkOffset;
	Store32(DataArea() + fIndexOffset + 4, oldSize + 4);
}

void BMessageBody::RemoveIndexEntry(uint32 chunkOffset)
{
	uint32 count = static_cast<uint32>(FieldCount());
	uint32* entries = IndexEntries();
	uint32 position = 0;
	while (position < count && entries[position] != chunkOffset)
		position++;
	if (position == count)
		return;
	std::memmove(entries + position, entries + position + 1, (count - position - 1) * 4);
	entries[count - 1] = 0;
	uint32 oldSize = IndexChunkSize(count);
	Store32(DataArea() + fIndexOffset + 4, oldSize - 4);
	ResizeRegion(fIndexOffset, RoundUp8(oldSize), RoundUp8(oldSize - 4));
}

// --- adding ---

status_t BMessageBody::AddItem(BMessageBody** body, const char* name, type_code type, uint32 size,
	bool fixedSize, uint8** item)
{
	if (size > kMaxBodySize)
		return kNoMemory;
	int32 position;
	int32 offset = (*body)->FindField(name, &position);
	if (offset >= 0) {
		FieldLayout layout;
		ReadFieldChunk((*body)->DataArea(), (*body)->fEndOffset, static_cast<uint32>(offset), &layout);
		if (layout.type != type && layout.type != kAnyType && type != kAnyType)
			return kNameInUse;
		return AppendItem(body, static_cast<uint32>(offset), size, fixedSize, item);
	}
	if (position < 0)
		return kBadData;
	if (std::strlen(name) > kMaxNameLength)
		return kNameTooLong;
	return InsertField(body, name, type, size, position, item);
}

status_t BMessageBody::InsertField(BMessageBody** body, const char* name, type_code type, uint32 size,
	int32 position, uint8** item)
{
	uint32 nameLength = static_cast<uint32>(std::strlen(name));
	uint32 data = DataStartFor(nameLength);
	uint32 chunkSize = data + size;
	uint32 fields = static_cast<uint32>((*body)->FieldCount());
	uint32 indexGrowth = RoundUp8(IndexChunkSize(fields + 1)) - RoundUp8(IndexChunkSize(fields));
	status_t status = Reserve(body, (*body)->fUsedSize + RoundUp8(chunkSize) + indexGrowth);
	if (status != kOk)
		return status;
	BMessageBody* current = *body;
	uint32 at = current->fIndexOffset;
	current->ResizeRegion(at, 0, RoundUp8(chunkSize));
	uint8* chunk = current->DataArea() + at;
	WriteChunkHeader(chunk, kFieldChunk, kSingleItem, chunkSize);
	Store32(chunk + 8, type);
	Store32(chunk + 12, size);
	chunk[16] = static_cast<uint8>(nameLength);
	std::memcpy(chunk + kNameStart, name, nameLength);
	current->InsertIndexEntry(position, at);
	if (IsAtomType(type))
		current->fAtomCount++;
	*item = current->DataArea() + at + data;
	return kOk;
}

status_t BMessageBody::AppendItem(BMessageBody** body, uint32 chunkOffset, uint32 size, bool fixedSize,
	uint8** item)
{
	FieldLayout field;
	ReadFieldChunk((*body)->DataArea(), (*body)->fEndOffset, chunkOffset, &field);
	uint32 newSize;
	switch (field.form) {
		case kFixedArray:
			if (size != field.itemSize)
				return kMismatchedValues;
			newSize = field.size + size;
			break;
		case kSingleItem:
			if (fixedSize && size == field.itemSize)
				newSize = field.data + 8 + 2 * size;
			else
				newSize = field.data + 8 + RoundUp8(RoundUp8(field.itemSize) + size) + 8;
			break;
		case kVariableArray:
			newSize = field.data + 8 + RoundUp8(field.tableOffset + size) + 4 * (field.count + 1);
			break;
		default:
			BodyDiagnostic()
				.Text(": Unknown data chunk type ")
				.Signed(static_cast<int16>(field.form))
				.ToErrorOut();
			return kError;
	}
	status_t status = ReserveGrowth(body, RoundUp8(field.size), RoundUp8(newSize));
	if (status != kOk)
		return status;
	(*body)->ResizeRegion(chunkOffset, RoundUp8(field.size), RoundUp8(newSize));
	uint8* chunk = (*body)->DataArea() + chunkOffset;
	uint8* values = chunk + field.data + 8;
	Store32(chunk + 4, newSize);
	if (field.form == kFixedArray) {
		Store32(chunk + field.data, field.count + 1);
		*item = chunk + field.size;
	} else if (field.form == kSingleItem && fixedSize && size == field.itemSize) {
		std::memmove(values, chunk + field.data, size);
		Store16(chunk + 2, kFixedArray);
		Store32(chunk + field.data, 2);
		Store32(chunk + field.data + 4, 0);
		*item = values + size;
	} else if (field.form == kSingleItem) {
		uint32 second = RoundUp8(field.itemSize);
		uint32 table = RoundUp8(second + size);
		std::memmove(values, chunk + field.data, field.itemSize);
		std::memset(values + field.itemSize, 0, table - field.itemSize);
		Store16(chunk + 2, kVariableArray);
		Store32(chunk + 12, 0);
		Store32(chunk + field.data, 2);
		Store32(chunk + field.data + 4, table);
		Store32(values + table, field.itemSize);
		Store32(values + table + 4, second + size);
		*item = values + second;
	} else {
		// The new item takes the table's place; the table moves behind it.
		uint32 start = field.tableOffset;
		uint32 table = RoundUp8(start + size);
		std::memmove(values + table, values + start, 4 * field.count);
		std::memset(values + start, 0, table - start);
		Store32(values + table + 4 * field.count, start + size);
		Store32(chunk + field.data, field.count + 1);
		Store32(chunk + field.data + 4, table);
		*item = values + start;
	}
	return kOk;
}

// --- replacing and removing ---

void BMessageBody::ReleaseFieldAtoms(uint32 chunkOffset, int32 index)
{
	if (fAtomCount == 0)
		return;
	FieldLayout field;
	ReadFieldChunk(DataArea(), fEndOffset, chunkOffset, &field);
	bool atoms = IsAtomType(field.type);
	if (!atoms && field.type != kMessageType)
		return;
	const uint8* chunk = DataArea() + chunkOffset;
	uint32 first = index < 0 ? 0 : static_cast<uint32>(index);
	uint32 last = index < 0 ? field.count : first + 1;
	for (uint32 i = first; i < last; i++) {
		uint32 start;
		uint32 size;
		FieldItemBounds(chunk, field, i, &start, &size);
		if (atoms) {
			if (size == sizeof(void*))
				ReleaseAtomItem(field.type, chunk + start, this);
			continue;
		}
		uint32 nested = NestedAtomCount(chunk + start, size);
		if (nested != 0)
			VisitAtomItems(chunk + start + 16, size - 16, kMaxNesting, ReleaseAtomItem, this);
		fAtomCount -= nested < fAtomCount ? nested : fAtomCount;
	}
	if (atoms && index < 0)
		fAtomCount--;
}

status_t BMessageBody::ReplaceItem(BMessageBody** body, uint32 chunkOffset, int32 index, uint32 size,
	uint8** item)
{
	if (size > kMaxBodySize)
		return kNoMemory;
	BMessageBody* current = *body;
	FieldLayout field;
	ReadFieldChunk(current->DataArea(), current->fEndOffset, chunkOffset, &field);
	switch (field.form) {
		case kFixedArray:
			if (index < 0 || static_cast<uint32>(index) >= field.count)
				return kBadIndex;
			if (size != field.itemSize)
				return kMismatchedValues;
			current->ReleaseFieldAtoms(chunkOffset, index);
			*item = current->DataArea() + chunkOffset + field.data + 8 + static_cast<uint32>(index) * size;
			return kOk;
		case kSingleItem: {
			if (index != 0)
				return kBadIndex;
			uint32 newSize = field.data + size;
			status_t status = ReserveGrowth(body, RoundUp8(field.size), RoundUp8(newSize));
			if (status != kOk)
				return status;
			(*body)->ReleaseFieldAtoms(chunkOffset, 0);
			(*body)->ResizeRegion(chunkOffset, RoundUp8(field.size), RoundUp8(newSize));
			uint8* chunk = (*body)->DataArea() + chunkOffset;
			std::memset(chunk + field.data, 0, RoundUp8(newSize) - field.data);
			Store32(chunk + 4, newSize);
			Store32(chunk + 12, size);
			*item = chunk + field.data;
			return kOk;
		}
		case kVariableArray:
			if (index < 0 || static_cast<uint32>(index) >= field.count)
				return kBadIndex;
			return RewriteVariableField(body, chunkOffset, index, size, false, item);
		default:
			BodyDiagnostic().Text(": Unknown data chunk type ").Pointer(field.form).ToErrorOut();
			return kBadData;
	}
}

// Builds the variable-size array anew with item `index` resized (left zero for
// the caller to fill) or removed, then puts it in place of the old chunk.
status_t BMessageBody::RewriteVariableField(BMessageBody** body, uint32 chunkOffset, int32 index,
	uint32 size, bool remove, uint8** item)
{
	FieldLayout field;
	ReadFieldChunk((*body)->DataArea(), (*body)->fEndOffset, chunkOffset, &field);
	const uint8* oldChunk = (*body)->DataArea() + chunkOffset;
	uint32 target = static_cast<uint32>(index);
	uint32 count = remove ? field.count - 1 : field.count;
	uint32 end = 0;
	uint32 targetStart = 0;
	for (uint32 i = 0; i < field.count; i++) {
		uint32 start;
		uint32 itemSize;
		FieldItemBounds(oldChunk, field, i, &start, &itemSize);
		if (i == target) {
			if (remove)
				continue;
			itemSize = size;
			targetStart = RoundUp8(end);
		}
		end = RoundUp8(end) + itemSize;
	}
	uint32 table = RoundUp8(end);
	uint32 newSize = field.data + 8 + table + 4 * count;
	uint8* image = static_cast<uint8*>(std::calloc(1, RoundUp8(newSize)));
	if (image == nullptr)
		return kNoMemory;
	std::memcpy(image, oldChunk, field.data);
	Store32(image + 4, newSize);
	Store32(image + field.data, count);
	Store32(image + field.data + 4, table);
	uint8* values = image + field.data + 8;
	end = 0;
	uint32 written = 0;
	for (uint32 i = 0; i < field.count; i++) {
		uint32 start;
		uint32 itemSize;
		FieldItemBounds(oldChunk, field, i, &start, &itemSize);
		if (i == target && remove)
			continue;
		uint32 at = RoundUp8(end);
		if (i == target)
			itemSize = size;
		else
			std::memcpy(values + at, oldChunk + start, itemSize);
		end = at + itemSize;
		Store32(values + table + 4 * written++, end);
	}
	status_t status = ReserveGrowth(body, RoundUp8(field.size), RoundUp8(newSize));
	if (status != kOk) {
		std::free(image);
		return status;
	}
	(*body)->ReleaseFieldAtoms(chunkOffset, index);
	(*body)->ResizeRegion(chunkOffset, RoundUp8(field.size), RoundUp8(newSize));
	std::memcpy((*body)->DataArea() + chunkOffset, image, RoundUp8(newSize));
	std::free(image);
	if (item != nullptr)
		*item = (*body)->DataArea() + chunkOffset + field.data + 8 + targetStart;
	return kOk;
}

status_t BMessageBody::RemoveField(const char* name)
{
	int32 offset = FindField(name);
	if (offset < 0)
		return kNameNotFound;
	uint32 chunkOffset = static_cast<uint32>(offset);
	ReleaseFieldAtoms(chunkOffset, -1);
	uint32 size = RoundUp8(Load32(DataArea() + chunkOffset + 4));
	RemoveIndexEntry(chunkOffset);
	ResizeRegion(chunkOffset, size, 0);
	return kOk;
}

status_t BMessageBody::RemoveItem(const char* name, int32 index)
{
	int32 offset = FindField(name);
	if (offset < 0)
		return kNameNotFound;
	uint32 chunkOffset = static_cast<uint32>(offset);
	FieldLayout field;
	ReadFieldChunk(DataArea(), fEndOffset, chunkOffset, &field);
	if (index < 0 || static_cast<uint32>(index) >= field.count)
		return kBadIndex;
	if (field.count == 1)
		return RemoveField(name);
	if (field.form == kVariableArray) {
		BMessageBody* self = this;
		// Removing only shrinks, yet the rewrite needs a scratch image.
		return RewriteVariableField(&self, chunkOffset, index, 0, true, nullptr);
	}
	ReleaseFieldAtoms(chunkOffset, index);
	uint8* chunk = DataArea() + chunkOffset;
	uint8* gap = chunk + field.data + 8 + static_cast<uint32>(index) * field.itemSize;
	std::memmove(gap, gap + field.itemSize, static_cast<size_t>(chunk + field.size - gap - field.itemSize));
	uint32 newSize = field.size - field.itemSize;
	Store32(chunk + 4, newSize);
	Store32(chunk + field.data, field.count - 1);
	ResizeRegion(chunkOffset, RoundUp8(field.size), RoundUp8(newSize));
	std::memset(DataArea() + chunkOffset + newSize, 0, RoundUp8(newSize) - newSize);
	return kOk;
}

// --- atom references ---

void BMessageBody::AcquireAtoms() const
{
	VisitAtomItems(DataArea(), fUsedSize, kMaxNesting, AcquireAtomItem, const_cast<BMessageBody*>(this));
}

void BMessageBody::ReleaseAtoms() const
{
	VisitAtomItems(DataArea(), fUsedSize, kMaxNesting, ReleaseAtomItem, const_cast<BMessageBody*>(this));
}
