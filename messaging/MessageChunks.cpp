// Checked decoding of body chunks: nothing here reads outside the given range.
#include "messaging/MessageChunks.h"

#include "messaging/MessageFlatten.h"

namespace BPrivate {

namespace {

// A nested message's magic, size, what and reserved word.
constexpr uint32 kNestedFixedPart = 16;

bool ReadArrayWords(const uint8* chunk, FieldLayout* field)
{
	if (field->size < field->data + 8)
		return false;
	field->count = Load32(chunk + field->data);
	return field->count > 0;
}

bool CheckFixedArray(const uint8* chunk, FieldLayout* field)
{
	if (!ReadArrayWords(chunk, field))
		return false;
	uint64 items = static_cast<uint64>(field->count) * field->itemSize;
	return field->data + 8 + items == field->size;
}

// The offset table must describe items laid end to end at 8-byte steps, with
// the table right behind the last item: exactly what the writers produce.
bool CheckVariableArray(const uint8* chunk, FieldLayout* field)
{
	if (!ReadArrayWords(chunk, field))
		return false;
	field->tableOffset = Load32(chunk + field->data + 4);
	uint64 tableEnd = static_cast<uint64>(field->data) + 8 + field->tableOffset + 4ull * field->count;
	if (tableEnd != field->size || (field->tableOffset & 7) != 0)
		return false;
	const uint8* table = chunk + field->data + 8 + field->tableOffset;
	uint32 start = 0;
	uint32 end = 0;
	for (uint32 i = 0; i < field->count; i++) {
		end = Load32(table + 4 * i);
		if (end < start || end > field->tableOffset)
			return false;
		start = RoundUp8(end);
	}
	return RoundUp8(end) == field->tableOffset;
}

// The checks of ReadFieldChunk, inlined into the body check's walk.
inline bool DecodeFieldChunk(const uint8* base, uint32 length, uint32 offset, FieldLayout* field)
{
	if (offset > length || length - offset < kNameStart + 2)
		return false;
	const uint8* chunk = base + offset;
	if (Load16(chunk) != kFieldChunk)
		return false;
	field->form = Load16(chunk + 2);
	field->size = Load32(chunk + 4);
	if (field->size > length - offset || field->size < kNameStart + 2)
		return false;
	field->type = Load32(chunk + 8);
	field->itemSize = Load32(chunk + 12);
	field->nameLength = chunk[16];
	field->name = reinterpret_cast<const char*>(chunk + kNameStart);
	field->data = RoundUp8(kNameStart + 1 + field->nameLength);
	field->count = 1;
	field->tableOffset = 0;
	if (field->nameLength == 0 || field->data > field->size || field->name[field->nameLength] != 0)
		return false;
	switch (field->form) {
		case kSingleItem:
			return field->size - field->data == field->itemSize;
		case kFixedArray:
			return CheckFixedArray(chunk, field);
		case kVariableArray:
			return CheckVariableArray(chunk, field);
		default:
			return false;
	}
}

}  // namespace

bool ReadFieldChunk(const uint8* base, uint32 length, uint32 offset, FieldLayout* field)
{
	return DecodeFieldChunk(base, length, offset, field);
}

void FieldItemBounds(const uint8* chunk, const FieldLayout& field, uint32 index, uint32* start,
	uint32* size)
{
	switch (field.form) {
		case kSingleItem:
			*start = field.data;
			*size = field.itemSize;
			return;
		case kFixedArray:
			*start = field.data + 8 + index * field.itemSize;
			*size = field.itemSize;
			return;
		default: {
			const uint8* table = chunk + field.data + 8 + field.tableOffset;
			uint32 itemStart = index == 0 ? 0 : RoundUp8(Load32(table + 4 * (index - 1)));
			*start = field.data + 8 + itemStart;
			*size = Load32(table + 4 * index) - itemStart;
			return;
		}
	}
}

namespace {

// One bit per 8-byte position of the data area: set for every field chunk of
// the chain. An index entry names a field only when its bit is set, and
// clearing the bit makes a second entry for the same chunk fail. The bits are
// written by the chain walk alone, so no bytes inside a field's data can pass
// for a chunk.
class ChainMap {
public:
	ChainMap(uint8* bits, uint32 length) : fBits(bits) { std::memset(bits, 0, CheckScratchSize(length)); }
	void Set(uint32 offset) { fBits[offset / 64] |= Bit(offset); }
	bool Take(uint32 offset)
	{
		uint8& byte = fBits[offset / 64];
		if ((byte & Bit(offset)) == 0)
			return false;
		byte &= static_cast<uint8>(~Bit(offset));
		return true;
	}

private:
	static uint8 Bit(uint32 offset) { return static_cast<uint8>(1u << ((offset / 8) % 8)); }

	uint8* fBits;
};

// Every entry below the end mark must name a field chunk of the chain, each
// chunk at most once, in strictly ascending name order. An entry at or past
// the end mark is damage that the lookups report when they meet it; the body
// stays readable through its other fields.
bool IndexEntriesNameFields(const uint8* data, const BodyShape& shape, ChainMap* chain)
{
	const uint8* entries = data + shape.indexOffset + kChunkHeaderSize;
	const char* previous = nullptr;
	uint32 previousRoom = 0;
	for (uint32 i = 0; i < shape.fieldCount; i++) {
		uint32 offset = Load32(entries + 4 * i);
		if (offset >= shape.endOffset)
			continue;
		if ((offset & 7) != 0 || !chain->Take(offset))
			return false;
		// A chunk of the chain passed the field check: its name and padding lie inside it.
		const char* name = reinterpret_cast<const char*>(data + offset + kNameStart);
		uint32 room = NameRoom(data[offset + kNameStart - 1]);
		if (previous != nullptr && CompareNames(previous, name, room < previousRoom ? room : previousRoom) >= 0)
			return false;
		previous = name;
		previousRoom = room;
	}
	return true;
}

// The index pass's record of the bytes the named chunks cover: one bit per
// 8-byte position in front of the index. A span of up to 57 positions (every
// chunk of up to 456 bytes) is tested and marked with one unaligned word at the
// span's first byte; longer ones take a word at a time.
class CoverageMap {
public:
	static constexpr uint32 kSpanInOneWord = 57;

	CoverageMap(uint8* bits, uint32 length) : fBits(bits) { std::memset(bits, 0, length / 64 + 8); }
	// Marks the positions [first, first + count); false when one was already marked.
	bool Mark(uint32 first, uint32 count)
	{
		while (count > kSpanInOneWord) {
			if (!MarkInWord(first, kSpanInOneWord))
				return false;
			first += kSpanInOneWord;
			count -= kSpanInOneWord;
		}
		return MarkInWord(first, count);
	}

private:
	bool MarkInWord(uint32 first, uint32 count)
	{
		uint8* word = fBits + first / 8;
		uint64 mask = ((1ull << count) - 1) << (first % 8);
		uint64 value = Load64(word);
		Store64(word, value | mask);
		return (value & mask) == 0;
	}

	uint8* fBits;
};

bool MayHoldAtoms(type_code type)
{
	return type == kAtomType || type == kAtomRefType || type == kMessageType;
}

// The hinted index chunk and the end mark right behind it; answers the index's entry count.
bool ReadHintedIndex(const uint8* data, uint32 length, const BodyHints& hints, uint32* count)
{
	uint32 at = hints.indexOffset;
	if ((at & 7) != 0 || at > length || length - at < 2 * kChunkHeaderSize)
		return false;
	uint32 size = Load32(data + at + 4);
	if (Load16(data + at) != kIndexChunk || size < kChunkHeaderSize || size > length - at ||
		(size - kChunkHeaderSize) % 4 != 0)
		return false;
	uint32 end = at + RoundUp8(size);
	if (end != hints.endOffset || end > length || length - end < kChunkHeaderSize ||
		Load16(data + end) != kEndChunk || Load32(data + end + 4) != kChunkHeaderSize)
		return false;
	*count = (size - kChunkHeaderSize) / 4;
	return true;
}

}  // namespace

uint32 CheckScratchSize(uint32 length)
{
	return length / 64 + 8;
}

// One pass over the index: each entry's chunk is decoded and checked, its name
// compared with the previous entry's and its bytes marked as covered. Chunks
// that cover the whole area in front of the index without overlapping are
// exactly the chain a walk from the start would meet, so no walk is needed.
bool CheckBodyByIndex(const uint8* data, uint32 length, const BodyHints& hints, uint8* scratch,
	BodyShape* shape)
{
	uint32 count;
	if (!ReadHintedIndex(data, length, hints, &count))
		return false;
	uint32 indexOffset = hints.indexOffset;
	CoverageMap coverage(scratch, indexOffset);
	const uint8* entries = data + indexOffset + kChunkHeaderSize;
	const char* previous = nullptr;
	uint32 previousRoom = 0;
	uint32 covered = 0;
	bool atoms = false;
	for (uint32 i = 0; i < count; i++) {
		uint32 offset = Load32(entries + 4 * i);
		FieldLayout field;
		if ((offset & 7) != 0 || !DecodeFieldChunk(data, indexOffset, offset, &field))
			return false;
		// The chunk ends before the index, which lies on an 8-byte boundary, so its padding does too.
		uint32 step = RoundUp8(field.size);
		if (!coverage.Mark(offset / 8, step / 8))
			return false;
		uint32 room = NameRoom(field.nameLength);
		if (previous != nullptr && CompareNames(previous, field.name, room < previousRoom ? room : previousRoom) >= 0)
			return false;
		previous = field.name;
		previousRoom = room;
		covered += step;
		atoms = atoms || MayHoldAtoms(field.type);
	}
	if (covered != indexOffset)
		return false;
	shape->indexOffset = indexOffset;
	shape->endOffset = hints.endOffset;
	shape->usedSize = hints.endOffset + kChunkHeaderSize;
	shape->fieldCount = count;
	shape->mayHoldAtoms = atoms;
	return true;
}

status_t CheckBody(const uint8* data, uint32 length, const BodyHints& hints, uint8* scratch, BodyShape* shape)
{
	if (CheckBodyByIndex(data, length, hints, scratch, shape))
		return kOk;
	return CheckBodyByChain(data, length, scratch, shape);
}

status_t CheckBodyByChain(const uint8* data, uint32 length, uint8* scratch, BodyShape* shape)
{
	ChainMap chain(scratch, length);
	uint32 offset = 0;
	uint32 fieldChunks = 0;
	bool indexSeen = false;
	shape->mayHoldAtoms = false;
	while (true) {
		if (length - offset < kChunkHeaderSize)
			return kNotAMessage;
		uint16 kind = Load16(data + offset);
		uint32 size = Load32(data + offset + 4);
		if (size < kChunkHeaderSize || size > length - offset)
			return kNotAMessage;
		if (kind == kEndChunk) {
			if (!indexSeen || size != kChunkHeaderSize)
				return kNotAMessage;
			break;
		}
		if (kind == kIndexChunk) {
			// One index with one entry per field; of two, the lookups could
			// not tell which one counts.
			if (indexSeen || (size - kChunkHeaderSize) % 4 != 0)
				return kNotAMessage;
			indexSeen = true;
			shape->indexOffset = offset;
		} else if (kind == kFieldChunk) {
			FieldLayout field;
			if (!DecodeFieldChunk(data, length, offset, &field))
				return kNotAMessage;
			if (MayHoldAtoms(field.type))
				shape->mayHoldAtoms = true;
			chain.Set(offset);
			fieldChunks++;
		}
		// Chunks of other kinds stay as they are, as long as they keep the chain.
		uint32 next = RoundUp8(size);
		if (next > length - offset)
			return kNotAMessage;
		offset += next;
	}
	shape->endOffset = offset;
	shape->usedSize = offset + kChunkHeaderSize;
	shape->fieldCount = fieldChunks;
	if (Load32(data + shape->indexOffset + 4) != kChunkHeaderSize + 4 * fieldChunks)
		return kNotAMessage;
	return IndexEntriesNameFields(data, *shape, &chain) ? kOk : kNotAMessage;
}

namespace {

bool VisitNestedMessage(const uint8* item, uint32 size, int32 depth, AtomVisitor visit, void* context);

bool VisitBodyChunks(const uint8* data, uint32 length, int32 depth, AtomVisitor visit, void* context)
{
	uint32 offset = 0;
	while (length - offset >= kChunkHeaderSize) {
		uint16 kind = Load16(data + offset);
		uint32 size = Load32(data + offset + 4);
		if (kind == kEndChunk || size < kChunkHeaderSize || size > length - offset)
			return true;
		FieldLayout field;
		if (kind == kFieldChunk && ReadFieldChunk(data, length, offset, &field)) {
			const uint8* chunk = data + offset;
			bool atoms = field.type == kAtomType || field.type == kAtomRefType;
			bool nested = field.type == kMessageType;
			for (uint32 i = 0; (atoms || nested) && i < field.count; i++) {
				uint32 start;
				uint32 itemSize;
				FieldItemBounds(chunk, field, i, &start, &itemSize);
				if (atoms && itemSize == sizeof(void*))
					visit(field.type, chunk + start, context);
				else if (nested && !VisitNestedMessage(chunk + start, itemSize, depth, visit, context))
					return false;
			}
		}
		uint32 next = RoundUp8(size);
		if (next > length - offset)
			return true;
		offset += next;
	}
	return true;
}

// A nested item is a compact flattened message: skip the fixed part and the
// header chunks, then walk its body. Items in another byte order or another
// format hold nothing this process could have referenced.
bool VisitNestedMessage(const uint8* item, uint32 size, int32 depth, AtomVisitor visit, void* context)
{
	if (size < kNestedFixedPart || Load32(item) != kFlattenedMagic)
		return true;
	if (depth <= 0)
		return false;
	uint32 offset = kNestedFixedPart;
	while (size - offset >= kChunkHeaderSize && (Load16(item + offset) & kHeaderChunkBit) != 0) {
		uint32 chunkSize = Load32(item + offset + 4);
		if (chunkSize < kChunkHeaderSize || chunkSize > size - offset)
			return true;
		offset += chunkSize;
	}
	return VisitBodyChunks(item + offset, size - offset, depth - 1, visit, context);
}

}  // namespace

bool VisitAtomItems(const uint8* data, uint32 length, int32 maxDepth, AtomVisitor visit, void* context)
{
	return VisitBodyChunks(data, length, maxDepth, visit, context);
}

namespace {

void NoteAtom(type_code, const uint8*, void* found)
{
	*static_cast<bool*>(found) = true;
}

}  // namespace

bool HoldsAtoms(const uint8* data, uint32 length)
{
	bool found = false;
	bool complete = VisitAtomItems(data, length, kMaxNesting, NoteAtom, &found);
	return found || !complete;
}

}  // namespace BPrivate
