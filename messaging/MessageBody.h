// BMessageBody: the fields of a message, kept in their flattened byte layout.
//
// A body is one heap block: eight 32-bit words, a 104-byte header area and the
// data area. The data area holds one 'aD' chunk per field in creation order,
// then the 'nI' name index (chunk offsets sorted by name) and the 'nE' end
// mark, so that flattening only writes a header into the header area in front
// of the data. Bodies are shared between messages by reference count; the
// count and the flags word change atomically, everything else only while the
// caller holds the sole reference (see MakePrivate). Any thread may call the
// const operations of a body it holds a reference to.
#pragma once

#include "messaging/TypeCodes.h"
#include "support/SupportDefs.h"

#include <atomic>

namespace BPrivate {

// Chunk kinds and sub-kinds as 16-bit values: the first character in the low byte.
constexpr uint16 ChunkCode(const char (&code)[3])
{
	return static_cast<uint16>(static_cast<uint8>(code[0]) | (static_cast<uint8>(code[1]) << 8));
}

constexpr uint16 kFieldChunk = ChunkCode("aD");
constexpr uint16 kSingleItem = ChunkCode("GS");
constexpr uint16 kFixedArray = ChunkCode("AF");
constexpr uint16 kVariableArray = ChunkCode("AV");
constexpr uint16 kIndexChunk = ChunkCode("nI");
constexpr uint16 kIndexSubKind = ChunkCode("XD");
constexpr uint16 kEndChunk = ChunkCode("nE");
constexpr uint16 kPaddingSubKind = ChunkCode("DD");
// A second character in lower case marks a message header chunk.
constexpr uint16 kHeaderChunkBit = 0x2000;

constexpr uint32 kChunkHeaderSize = 8;
constexpr uint32 kMaxNameLength = 255;
// Bodies stay far below 2 GB so that every offset sum fits 32 bits.
constexpr uint32 kMaxBodySize = 0x40000000;

constexpr uint32 RoundUp8(uint32 value) { return (value + 7) & ~7u; }

// Where a field lies and what it holds, as answered by the lookups.
struct BMessageField {
	uint32 offset = 0;  // chunk offset in the data area
	const char* name = nullptr;
	type_code type = 0;
	uint16 form = 0;
	int32 count = 0;
	int32 itemSize = 0;  // -1 for a variable-size array
	const uint8* item = nullptr;  // the wanted item
};

}  // namespace BPrivate

class BMessageBody {
public:
	static constexpr uint32 kMinimumCapacity = 104;
	static constexpr uint32 kHeaderAreaSize = 104;
	static constexpr uint32 kEmptyUsedSize = 16;
	static constexpr uint32 kHeaderAreaInUse = 0x1;
	static constexpr uint32 kHasSpecifiers = 0x2;
	// Eight words, then the header area, then the data.
	static constexpr size_t kDataStart = 32 + kHeaderAreaSize;

	// A new empty body with one reference; null when memory runs out.
	static BMessageBody* Create(uint32 capacity = kMinimumCapacity);
	// Makes *body a body its caller holds alone: creates one when null, copies a
	// shared one (dropping a reference to it). kNoMemory leaves *body as it was.
	[[nodiscard]] static status_t MakePrivate(BMessageBody** body);

	void Acquire();
	// Drops a reference; the last one gives up the atom references and frees the body.
	void Release();
	bool IsShared() const { return fReferences.load(std::memory_order_acquire) != 1; }
	int32 References() const { return fReferences.load(std::memory_order_relaxed); }

	// Back to the empty state, atom references given up; capacity kept.
	void MakeEmpty();

	const uint8* Data() const { return DataArea(); }
	uint8* Data() { return DataArea(); }
	uint8* HeaderArea() { return fHeaderArea; }
	uint32 UsedSize() const { return fUsedSize; }
	uint32 Capacity() const { return fCapacity; }
	uint32 IndexOffset() const { return fIndexOffset; }
	uint32 EndOffset() const { return fEndOffset; }
	uint32 AtomCount() const { return fAtomCount; }
	int32 FieldCount() const
	{
		// The index chunk's size word; chunks start on 8-byte boundaries.
		uint32 indexSize = reinterpret_cast<const uint32*>(DataArea() + fIndexOffset)[1];
		return static_cast<int32>((indexSize - BPrivate::kChunkHeaderSize) / 4);
	}
	bool HasSpecifiers() const { return (fFlags.load(std::memory_order_relaxed) & kHasSpecifiers) != 0; }
	void SetHasSpecifiers(bool has);

	// The header area serves one flatten at a time: true when this caller got it.
	bool ClaimHeaderArea()
	{
		// A body that one message holds alone is flattened only on that
		// message's thread, so no other claim can come between the test and
		// the mark: the atomic operation is left to shared bodies. The acquire
		// of IsShared orders this after the clearing by a former sharer, which
		// dropped its reference only after it had given the area back.
		if (!IsShared()) {
			uint32 flags = fFlags.load(std::memory_order_relaxed);
			if ((flags & kHeaderAreaInUse) != 0)
				return false;
			fFlags.store(flags | kHeaderAreaInUse, std::memory_order_relaxed);
			return true;
		}
		return (fFlags.fetch_or(kHeaderAreaInUse, std::memory_order_acquire) & kHeaderAreaInUse) == 0;
	}
	void ReleaseHeaderArea()
	{
		// Only the claimer clears the bit, and while it is set every other
		// change of the word leaves the word as it was (a claim that finds the
		// area taken; the specifier bit changes only in a body held alone), so
		// a plain store loses nothing.
		fFlags.store(fFlags.load(std::memory_order_relaxed) & ~kHeaderAreaInUse, std::memory_order_release);
	}

	// Lookups. The item pointers point into the body and stay valid until it changes.
	// Chunk offset of the named field, or -1; *position (when given) receives the
	// field's place in the name index, or the place a new one would take.
	int32 FindField(const char* name, int32* position = nullptr) const;
	void DescribeField(uint32 chunkOffset, BPrivate::BMessageField* field) const;
	// The named field with item `index` (index >= 0) in field->item: kNameNotFound,
	// kBadIndex past the last item, or kOk.
	[[nodiscard]] status_t LookUp(const char* name, int32 index, BPrivate::BMessageField* field, uint32* itemSize) const;
	// Item `index` of the field at the chunk offset; false past the last item.
	bool ItemAt(uint32 chunkOffset, int32 index, const void** data, uint32* size) const;
	// The walk in creation order: see BMessageBody.cpp for the statuses.
	[[nodiscard]] status_t NextField(uint32* cookie, type_code type, const char* name, int32 skip, int32 itemIndex,
		BPrivate::BMessageField* field) const;

	// Changes; each requires the sole reference and may move the body (hence the double pointer).
	// Adds one item of `size` bytes and answers where to copy it.
	[[nodiscard]] static status_t AddItem(BMessageBody** body, const char* name, type_code type, uint32 size,
		bool fixedSize, uint8** item);
	// Resizes item `index` of an existing field for new contents of `size` bytes.
	[[nodiscard]] static status_t ReplaceItem(BMessageBody** body, uint32 chunkOffset, int32 index, uint32 size,
		uint8** item);
	[[nodiscard]] status_t RemoveField(const char* name);
	[[nodiscard]] status_t RemoveItem(const char* name, int32 index);
	void AddAtomCount(uint32 count) { fAtomCount += count; }

	// Makes room for a data area of `size` bytes; kNoMemory leaves the body as it was.
	[[nodiscard]] static status_t Reserve(BMessageBody** body, uint32 size);
	// Takes the checked contents of a flattened body: used size, offsets and atom count.
	void Adopt(uint32 usedSize, uint32 indexOffset, uint32 endOffset, uint32 atomCount);
	// Takes (or gives up) the references of every atom item, nested messages included.
	void AcquireAtoms() const;
	void ReleaseAtoms() const;

	BMessageBody(const BMessageBody&) = delete;
	BMessageBody& operator=(const BMessageBody&) = delete;

private:
	explicit BMessageBody(uint32 capacity);
	~BMessageBody() = default;

	BMessageBody* Copy() const;
	// The data area follows the object in the same allocation.
	uint8* DataArea() { return reinterpret_cast<uint8*>(this) + kDataStart; }
	const uint8* DataArea() const { return reinterpret_cast<const uint8*>(this) + kDataStart; }
	uint32* IndexEntries()
	{
		return reinterpret_cast<uint32*>(DataArea() + fIndexOffset + BPrivate::kChunkHeaderSize);
	}
	const uint32* IndexEntries() const
	{
		return reinterpret_cast<const uint32*>(DataArea() + fIndexOffset + BPrivate::kChunkHeaderSize);
	}
	void WriteEmptyLayout();
	[[nodiscard]] static status_t ReserveGrowth(BMessageBody** body, uint32 oldLength, uint32 newLength);
	void ResizeRegion(uint32 at, uint32 oldLength, uint32 newLength);
	[[nodiscard]] static status_t InsertField(BMessageBody** body, const char* name, type_code type, uint32 size,
		int32 position, uint8** item);
	void InsertIndexEntry(int32 position, uint32 chunkOffset);
	[[nodiscard]] static status_t AppendItem(BMessageBody** body, uint32 chunkOffset, uint32 size, bool fixedSize,
		uint8** item);
	[[nodiscard]] static status_t RewriteVariableField(BMessageBody** body, uint32 chunkOffset, int32 index,
		uint32 size, bool remove, uint8** item);
	void RemoveIndexEntry(uint32 chunkOffset);
	void ReleaseFieldAtoms(uint32 chunkOffset, int32 index);
	void ReportInvalidIndex(uint32 offset, int32 position) const;

	std::atomic<int32> fReferences;
	std::atomic<uint32> fFlags;
	uint32 fIndexOffset;
	uint32 fEndOffset;
	uint32 fAtomCount;
	uint32 fReserved;
	uint32 fCapacity;
	uint32 fUsedSize;
	uint8 fHeaderArea[kHeaderAreaSize];
};

static_assert(sizeof(BMessageBody) == BMessageBody::kDataStart,
	"the header area must lie directly in front of the data");
