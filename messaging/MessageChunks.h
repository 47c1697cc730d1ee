// Reading the chunks of a flattened body without trusting them.
//
// A body's bytes may come from anywhere (another program, a file, a damaged
// nested item), so every reader of chunk structure goes through these checked
// decoders: a decoder that answers true has verified that every byte it
// describes lies inside the given range. Words are read with memcpy because
// nothing in foreign bytes is aligned.
#pragma once

#include "support/SupportDefs.h"

#include <cstring>

namespace BPrivate {

// Where a field chunk's name starts: behind the header words and the length byte.
constexpr uint32 kNameStart = 17;

inline uint16 Load16(const void* p)
{
	uint16 value;
	std::memcpy(&value, p, sizeof(value));
	return value;
}

inline uint32 Load32(const void* p)
{
	uint32 value;
	std::memcpy(&value, p, sizeof(value));
	return value;
}

inline uint64 Load64(const void* p)
{
	uint64 value;
	std::memcpy(&value, p, sizeof(value));
	return value;
}

inline void Store16(void* p, uint16 value) { std::memcpy(p, &value, sizeof(value)); }
inline void Store32(void* p, uint32 value) { std::memcpy(p, &value, sizeof(value)); }
inline void Store64(void* p, uint64 value) { std::memcpy(p, &value, sizeof(value)); }

// strcmp's order of two names, compared eight bytes at a time. `room` bytes of
// each may be read, and they reach at least to the shorter name's zero byte.
// Words are read little-endian, as on every target of this code, so the
// lowest differing bit lies in the first differing byte.
inline int CompareNames(const char* a, const char* b, uint32 room)
{
	if (room < 8) {
		for (uint32 at = 0; at < room; at++) {
			uint8 x = static_cast<uint8>(a[at]);
			uint8 y = static_cast<uint8>(b[at]);
			if (x != y || x == 0)
				return x - y;
		}
		return 0;
	}
	uint32 at = 0;
	while (at < room) {
		// The last word ends at the room's end and overlaps bytes already
		// found equal and non-zero, which cannot decide anything.
		if (room - at < 8)
			at = room - 8;
		uint64 x = Load64(a + at);
		uint64 y = Load64(b + at);
		// Flags a's zero bytes; only the lowest flag is sure to be one, which is all that is asked.
		uint64 zeros = (x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull;
		uint64 differ = x ^ y;
		if (differ != 0) {
			uint32 first = static_cast<uint32>(__builtin_ctzll(differ)) / 8;
			if (zeros != 0 && static_cast<uint32>(__builtin_ctzll(zeros)) / 8 < first)
				return 0;
			return static_cast<uint8>(a[at + first]) - static_cast<uint8>(b[at + first]);
		}
		if (zeros != 0)
			return 0;
		at += 8;
	}
	return 0;
}

// memcmp's order of the first `count` bytes of `a` and `b`, eight at a time.
// Read big-endian, a word's order as a number is its bytes' order.
inline int CompareLeadingBytes(const char* a, const char* b, uint32 count)
{
	if (count < 8) {
		for (uint32 at = 0; at < count; at++) {
			if (a[at] != b[at])
				return static_cast<uint8>(a[at]) - static_cast<uint8>(b[at]);
		}
		return 0;
	}
	uint32 at = 0;
	while (true) {
		// The last word ends at `count` and overlaps bytes already found equal.
		if (count - at < 8)
			at = count - 8;
		uint64 x = __builtin_bswap64(Load64(a + at));
		uint64 y = __builtin_bswap64(Load64(b + at));
		if (x != y)
			return x < y ? -1 : 1;
		at += 8;
		if (at >= count)
			return 0;
	}
}

// The bytes of a field chunk's name that may be read by CompareNames: the name,
// its zero byte and the padding up to the data, all inside a checked chunk.
inline uint32 NameRoom(uint32 nameLength)
{
	return ((kNameStart + 1 + nameLength + 7) & ~7u) - kNameStart;
}

// The layout of one 'aD' chunk, offsets relative to the chunk start.
struct FieldLayout {
	uint16 form;
	uint32 size;  // chunk size, padding excluded
	type_code type;
	uint32 itemSize;  // 'GS' and 'AF'
	uint32 nameLength;
	const char* name;
	uint32 data;  // D: where the field data starts
	uint32 count;
	uint32 tableOffset;  // 'AV': T, relative to data + 8
};

// Decodes and checks the field chunk at `offset` of the `length` bytes at `base`:
// sizes, name, counts and the offset table of a variable-size array all consistent.
bool ReadFieldChunk(const uint8* base, uint32 length, uint32 offset, FieldLayout* field);

// Item `index` of a checked field: offset (relative to the chunk) and size.
void FieldItemBounds(const uint8* chunk, const FieldLayout& field, uint32 index, uint32* start,
	uint32* size);

// The outcome of checking a body's data area.
struct BodyShape {
	uint32 indexOffset;
	uint32 endOffset;
	uint32 usedSize;  // up to the end of the 'nE' chunk
	uint32 fieldCount;
	bool mayHoldAtoms;  // some field is of an atom or nested-message type
};

// Where the message header says the body's index and end mark lie: a hint
// that the check verifies, never trusts.
struct BodyHints {
	uint32 indexOffset = 0;
	uint32 endOffset = 0;
};

// Checks a body data area: a chain of chunks inside `length` bytes ending at
// an 'nE' of 8 bytes; every field chunk sound; chunks of unknown kinds kept
// where they fit the chain; exactly one 'nI' with one entry per field chunk.
// An entry below the end mark must name a distinct field chunk of the chain,
// in ascending name order; an entry at or past the end mark is accepted as
// damage that lookups report. `scratch` holds CheckScratchSize(length) bytes
// of working space. kNotAMessage otherwise.
//
// A body as this system writes it (its fields, then the index at the hinted
// offset, then the end mark) is checked in one pass over the index; any other
// body by walking its chain, then its index.
uint32 CheckScratchSize(uint32 length);
[[nodiscard]] status_t CheckBody(const uint8* data, uint32 length, const BodyHints& hints, uint8* scratch,
	BodyShape* shape);

// The two ways CheckBody decides, for the tests that hold them to one answer.
// The index pass accepts only bodies whose field chunks, named by the index
// in ascending name order, tile the data area in front of the index; false
// means "not shown sound this way", not "damaged".
bool CheckBodyByIndex(const uint8* data, uint32 length, const BodyHints& hints, uint8* scratch,
	BodyShape* shape);
[[nodiscard]] status_t CheckBodyByChain(const uint8* data, uint32 length, uint8* scratch, BodyShape* shape);

// Calls visit(type, item, itemSize) for every ATOM and ATMR item of a body data
// area, and for those inside nested messages down to `maxDepth` levels. Nested
// bytes are decoded with the same checks and skipped where they do not parse.
// Answers false when nesting went deeper than maxDepth.
typedef void (*AtomVisitor)(type_code type, const uint8* item, void* context);
bool VisitAtomItems(const uint8* data, uint32 length, int32 maxDepth, AtomVisitor visit, void* context);

// True when a body data area holds atom items at any depth, or nests deeper
// than kMaxNesting: a message from outside the process must hold none, since
// their addresses would be dereferenced.
bool HoldsAtoms(const uint8* data, uint32 length);

// How deep nested messages are followed; deeper nesting is refused from outside.
constexpr int32 kMaxNesting = 32;

}  // namespace BPrivate
