// Writing and reading flattened messages ('FOB2'), with the byte-order swap.
#include "messaging/MessageFlatten.h"

#include "kernel/DebuggerHook.h"
#include "messaging/MessageAtoms.h"
#include "messaging/MessageChunks.h"
#include "messaging/MessageDiagnostics.h"
#include "messaging/MessageOld.h"

#include <cstdlib>
#include <cstring>

namespace BPrivate {

namespace {

constexpr uint32 kSwappedMagic = __builtin_bswap32(kFlattenedMagic);
constexpr uint32 kMinimalHeaderSize = 16;
constexpr uint32 kBodyChunkSize = 24;
constexpr uint32 kSpecifierChunkSize = 16;
constexpr uint32 kWhenChunkSize = 16;
constexpr uint32 kRecordChunkSize = 32;
constexpr uint16 kBodySummary = ChunkCode("fo");
constexpr uint16 kSpecifierChunk = ChunkCode("cs");
constexpr uint16 kWhenChunk = ChunkCode("hw");
constexpr uint16 kRecordChunk = ChunkCode("rt");
constexpr uint16 kPaddingChunk = ChunkCode("ap");
constexpr int32 kPreferredToken = -2;

// A body without fields is written as no body at all, so that a message
// reads back as it was written whatever fields it once held.
const BMessageBody* WrittenBody(const BMessageBody* body)
{
	return body != nullptr && body->FieldCount() > 0 ? body : nullptr;
}

bool HasSpecifierChunk(const BMessageBody* body)
{
	return body != nullptr && body->HasSpecifiers();
}

uint32 CompactHeaderSize(const BMessageBody* body, const BMessageInfo& info, bool withRecord)
{
	uint32 size = kMinimalHeaderSize;
	if (body != nullptr)
		size += kBodyChunkSize;
	if (HasSpecifierChunk(body))
		size += kSpecifierChunkSize;
	if (info.hasWhen)
		size += kWhenChunkSize;
	if (withRecord)
		size += kRecordChunkSize;
	return size;
}

// Header chunks are whole words long; zeroed word by word, a chunk of a size
// known here costs a few stores instead of a call.
uint8* PutChunk(uint8* at, uint16 kind, uint16 subKind, uint32 size)
{
	Store16(at, kind);
	Store16(at + 2, subKind);
	Store32(at + 4, size);
	for (uint32 word = 8; word < size; word += 8)
		Store64(at + word, 0);
	return at + 8;
}

// Writes the 16-byte fixed part and the header chunks; answers their size.
[[gnu::always_inline]] inline uint32 WriteHeader(uint8* out, const BMessageBody* body, const BMessageInfo& info,
	const BMessageRecord* record, bool fixed, uint32 totalSize)
{
	Store32(out, kFlattenedMagic);
	Store32(out + 4, totalSize);
	Store32(out + 8, info.what);
	Store32(out + 12, 0);
	uint8* at = out + kMinimalHeaderSize;
	if (body != nullptr) {
		uint8* words = PutChunk(at, kBodySummary, ChunkCode("TS"), kBodyChunkSize);
		Store32(words, body->IndexOffset());
		Store32(words + 4, body->EndOffset());
		Store32(words + 8, body->AtomCount());
		at += kBodyChunkSize;
	} else if (fixed) {
		PutChunk(at, kPaddingChunk, kPaddingSubKind, kBodyChunkSize);
		at += kBodyChunkSize;
	}
	if (HasSpecifierChunk(body)) {
		uint8* words = PutChunk(at, kSpecifierChunk, ChunkCode("TR"), kSpecifierChunkSize);
		Store32(words, static_cast<uint32>(info.currentSpecifier));
		at += kSpecifierChunkSize;
	} else if (fixed) {
		PutChunk(at, kPaddingChunk, kPaddingSubKind, kSpecifierChunkSize);
		at += kSpecifierChunkSize;
	}
	if (info.hasWhen) {
		uint8* words = PutChunk(at, kWhenChunk, ChunkCode("NE"), kWhenChunkSize);
		Store64(words, static_cast<uint64>(info.when));
		at += kWhenChunkSize;
	} else if (fixed) {
		PutChunk(at, kPaddingChunk, kPaddingSubKind, kWhenChunkSize);
		at += kWhenChunkSize;
	}
	if (record != nullptr) {
		uint8* words = PutChunk(at, kRecordChunk, ChunkCode("TG"), kRecordChunkSize);
		Store32(words, static_cast<uint32>(record->target));
		Store32(words + 4, static_cast<uint32>(record->replyLooper));
		Store32(words + 8, static_cast<uint32>(record->replyHandler));
		Store32(words + 12, static_cast<uint32>(record->replyTeam));
		Store32(words + 16, record->flags);
		at += kRecordChunkSize;
	} else if (fixed) {
		uint8* words = PutChunk(at, kPaddingChunk, kPaddingSubKind, kRecordChunkSize);
		std::memset(words, 0xFF, 16);
		at += kRecordChunkSize;
	}
	return static_cast<uint32>(at - out);
}

void WriteEmptyBody(uint8* out)
{
	PutChunk(out, kIndexChunk, kIndexSubKind, 8);
	PutChunk(out + 8, kEndChunk, kPaddingSubKind, 8);
}

uint32 BodySize(const BMessageBody* body)
{
	return body == nullptr ? BMessageBody::kEmptyUsedSize : body->UsedSize();
}

void ReportAtoms(const BMessageBody* body)
{
	if (body != nullptr && body->AtomCount() != 0)
		DebuggerHook("Can't write a message containing atoms");
}

}  // namespace

uint32 FlattenedSize(const BMessageBody* body, const BMessageInfo& info, bool withRecord)
{
	body = WrittenBody(body);
	return CompactHeaderSize(body, info, withRecord) + BodySize(body);
}

namespace {

// The header written into the claimed header area, right in front of the data.
[[gnu::always_inline]] inline void FlattenInPlace(BMessageBody* body, const BMessageInfo& info,
	const BMessageRecord* record, bool fixed, FlattenResult* result)
{
	uint32 headerSize = fixed ? kFixedHeaderSize : CompactHeaderSize(body, info, record != nullptr);
	uint8* start = body->Data() - headerSize;
	uint32 total = headerSize + body->UsedSize();
	WriteHeader(start, body, info, record, fixed, total);
	result->data = start;
	result->size = total;
	result->owned = nullptr;
	result->claimedBody = body;
}

// Every other case: a message without fields, a body holding atoms (reported),
// and a body whose header area another flatten holds, which is copied.
[[gnu::noinline]] status_t FlattenElsewhere(BMessageBody* body, const BMessageInfo& info,
	const BMessageRecord* record, bool fixed, FlattenResult* result)
{
	ReportAtoms(body);
	if (WrittenBody(body) == nullptr)
		body = nullptr;
	if (body != nullptr && body->ClaimHeaderArea()) {
		FlattenInPlace(body, info, record, fixed, result);
		return kOk;
	}
	uint32 headerSize = fixed ? kFixedHeaderSize : CompactHeaderSize(body, info, record != nullptr);
	uint32 total = headerSize + BodySize(body);
	result->size = total;
	result->owned = nullptr;
	result->claimedBody = nullptr;
	if (body == nullptr) {
		WriteHeader(result->inlineArea, body, info, record, fixed, total);
		WriteEmptyBody(result->inlineArea + headerSize);
		result->data = result->inlineArea;
		return kOk;
	}
	uint8* copy = static_cast<uint8*>(std::malloc(total));
	if (copy == nullptr)
		return kNoMemory;
	WriteHeader(copy, body, info, record, fixed, total);
	std::memcpy(copy + headerSize, body->Data(), body->UsedSize());
	result->data = copy;
	result->owned = copy;
	return kOk;
}

}  // namespace

status_t Flatten(BMessageBody* body, const BMessageInfo& info, const BMessageRecord* record, bool fixed,
	FlattenResult* result)
{
	// The case to be fast: a body with fields, free of atoms, whose header area is free.
	if (body == nullptr || body->AtomCount() != 0 || body->FieldCount() == 0 || !body->ClaimHeaderArea())
		return FlattenElsewhere(body, info, record, fixed, result);
	FlattenInPlace(body, info, record, fixed, result);
	return kOk;
}

void FlattenInto(const BMessageBody* body, const BMessageInfo& info, uint8* buffer,
	const BMessageRecord* record, bool takeReferences)
{
	body = WrittenBody(body);
	uint32 total = FlattenedSize(body, info, record != nullptr);
	uint32 headerSize = WriteHeader(buffer, body, info, record, false, total);
	if (body == nullptr) {
		WriteEmptyBody(buffer + headerSize);
		return;
	}
	std::memcpy(buffer + headerSize, body->Data(), body->UsedSize());
	if (takeReferences && body->AtomCount() != 0)
		VisitAtomItems(buffer + headerSize, body->UsedSize(), kMaxNesting, AcquireAtomItem, buffer);
}

// --- byte order ---

namespace {

uint16 Swap16(uint16 value)
{
	return static_cast<uint16>((value >> 8) | (value << 8));
}

uint32 Swap32(uint32 value)
{
	return __builtin_bswap32(value);
}

uint64 Swap64(uint64 value)
{
	return __builtin_bswap64(value);
}

void SwapWords16(uint8* data, size_t length)
{
	for (size_t at = 0; at + 2 <= length; at += 2)
		Store16(data + at, Swap16(Load16(data + at)));
}

void SwapWords32(uint8* data, size_t length)
{
	for (size_t at = 0; at + 4 <= length; at += 4)
		Store32(data + at, Swap32(Load32(data + at)));
}

void SwapWords64(uint8* data, size_t length)
{
	for (size_t at = 0; at + 8 <= length; at += 8)
		Store64(data + at, Swap64(Load64(data + at)));
}

void SwapInPlace32(uint8* at)
{
	Store32(at, Swap32(Load32(at)));
}

}  // namespace

status_t SwapData(type_code type, void* data, size_t length, int32 mode)
{
	uint8* bytes = static_cast<uint8*>(data);
	switch (type) {
		case kPointType:
		case kRectType:
		case kFloatType:
		case kInt32Type:
		case kUInt32Type:
		case kPointerType:
		case kSizeType:
		case kSignedSizeType:
		case kTimeType:
			if (mode == 4)
				SwapWords32(bytes, length);
			return kOk;
		case kInt16Type:
		case kUInt16Type:
			if (mode == 4)
				SwapWords16(bytes, length);
			return kOk;
		case kInt64Type:
		case kUInt64Type:
		case kOffsetType:
		case kDoubleType:
			if (mode == 4)
				SwapWords64(bytes, length);
			return kOk;
		case kMessengerType:
			return kOk;
		default:
			return kBadValue;
	}
}

namespace {

// Items of types without a swap rule (strings, nested messages, anything
// unknown) are kept byte for byte, so SwapData's refusal is not a failure here.
status_t SwapFieldChunk(uint8* chunk, uint32 size)
{
	if (size < kNameStart + 2)
		return kNotAMessage;
	SwapInPlace32(chunk + 8);
	SwapInPlace32(chunk + 12);
	type_code type = Load32(chunk + 8);
	uint32 itemSize = Load32(chunk + 12);
	uint32 data = RoundUp8(kNameStart + 1 + chunk[16]);
	if (data > size)
		return kNotAMessage;
	uint16 form = Load16(chunk + 2);
	if (form == kSingleItem) {
		(void)SwapData(type, chunk + data, itemSize < size - data ? itemSize : size - data, 4);
		return kOk;
	}
	if (form != kFixedArray && form != kVariableArray)
		return kOk;  // the body check refuses it
	if (size - data < 8)
		return kNotAMessage;
	SwapInPlace32(chunk + data);
	SwapInPlace32(chunk + data + 4);
	uint32 count = Load32(chunk + data);
	uint8* values = chunk + data + 8;
	uint32 room = size - data - 8;
	if (form == kFixedArray) {
		uint64 bytes = static_cast<uint64>(count) * itemSize;
		if (bytes > room)
			return kNotAMessage;
		(void)SwapData(type, values, static_cast<size_t>(bytes), 4);
		return kOk;
	}
	uint32 table = Load32(chunk + data + 4);
	if (table > room || (room - table) / 4 < count)
		return kNotAMessage;
	bool keepItems = type == kRefType || type == kUtf8Type;
	uint32 start = 0;
	for (uint32 i = 0; i < count; i++) {
		uint8* entry = values + table + 4 * i;
		SwapInPlace32(entry);
		uint32 end = Load32(entry);
		if (end < start || end > table)
			return kNotAMessage;
		if (!keepItems)
			(void)SwapData(type, values + start, end - start, 4);
		start = RoundUp8(end);
	}
	return kOk;
}

// Chunks of unknown kinds between the fields are dropped after a swap. The
// index entries count in the old positions, so each one moves down by the
// sizes dropped in front of the chunk it names.
class DroppedChunks {
public:
	explicit DroppedChunks(uint32 count)
		: fOffsets(static_cast<uint32*>(std::malloc(2 * sizeof(uint32) * count))),
		  fRemovedThrough(fOffsets + count)
	{
	}
	~DroppedChunks() { std::free(fOffsets); }
	bool IsValid() const { return fOffsets != nullptr; }
	void Add(uint32 offset, uint32 size)
	{
		fRemoved += size;
		fOffsets[fCount] = offset;
		fRemovedThrough[fCount++] = fRemoved;
	}
	uint32 RemovedBefore(uint32 offset) const
	{
		uint32 lo = 0;
		uint32 hi = fCount;
		while (lo < hi) {
			uint32 mid = lo + (hi - lo) / 2;
			if (fOffsets[mid] < offset)
				lo = mid + 1;
			else
				hi = mid;
		}
		return lo == 0 ? 0 : fRemovedThrough[lo - 1];
	}

private:
	uint32* fOffsets;
	uint32* fRemovedThrough;
	uint32 fCount = 0;
	uint32 fRemoved = 0;
};

uint32 ChunkStep(const uint8* chunk, uint32 room)
{
	uint32 step = RoundUp8(Load32(chunk + 4));
	return step > room ? room : step;
}

bool IsBodyChunk(uint16 kind)
{
	return kind == kFieldChunk || kind == kIndexChunk;
}

status_t DropUnknownChunks(uint8* data, uint32 end, uint32 unknown, uint32* usedSize)
{
	DroppedChunks dropped(unknown);
	if (!dropped.IsValid())
		return kNoMemory;
	uint32 write = 0;
	for (uint32 read = 0; read < end;) {
		uint32 step = ChunkStep(data + read, end - read);
		if (IsBodyChunk(Load16(data + read))) {
			std::memmove(data + write, data + read, step);
			write += step;
		} else {
			dropped.Add(read, step);
		}
		read += step;
	}
	std::memmove(data + write, data + end, kChunkHeaderSize);
	*usedSize = write + kChunkHeaderSize;
	for (uint32 offset = 0; offset < write;) {
		uint8* chunk = data + offset;
		uint32 step = ChunkStep(chunk, write - offset);
		if (Load16(chunk) == kIndexChunk) {
			for (uint32 at = kChunkHeaderSize; at + 4 <= Load32(chunk + 4); at += 4) {
				uint32 entry = Load32(chunk + at);
				Store32(chunk + at, entry - dropped.RemovedBefore(entry));
			}
		}
		offset += step;
	}
	return kOk;
}

// Swaps a body in place up to its end mark, then drops the chunks of unknown
// kinds; the used size is cut behind the end mark.
status_t SwapBody(uint8* data, uint32* usedSize)
{
	uint32 used = *usedSize;
	uint32 offset = 0;
	uint32 unknown = 0;
	while (true) {
		if (used - offset < kChunkHeaderSize)
			return kNotAMessage;
		uint8* chunk = data + offset;
		uint16 kind = Swap16(Load16(chunk));
		uint32 size = Swap32(Load32(chunk + 4));
		if (size < kChunkHeaderSize || size > used - offset)
			return kNotAMessage;
		Store16(chunk, kind);
		Store16(chunk + 2, Swap16(Load16(chunk + 2)));
		Store32(chunk + 4, size);
		if (kind == kEndChunk)
			break;
		if (kind == kFieldChunk) {
			status_t status = SwapFieldChunk(chunk, size);
			if (status != kOk)
				return status;
		} else if (kind == kIndexChunk) {
			SwapWords32(chunk + kChunkHeaderSize, size - kChunkHeaderSize);
		} else {
			unknown++;
		}
		// Only the end mark may lack its padding; a shorter rest fails above.
		offset += ChunkStep(chunk, used - offset);
	}
	if (unknown == 0) {
		*usedSize = offset + kChunkHeaderSize;
		return kOk;
	}
	return DropUnknownChunks(data, offset, unknown, usedSize);
}

struct HeaderChunks {
	uint32 indexOffset = 0;
	uint32 endOffset = 0;
	uint32 atomCount = 0;
	bool hasSpecifiers = false;
	uint32 size = kMinimalHeaderSize;
};

void ReadRecordChunk(const uint8* words, bool swapped, BMessageRecord* record)
{
	int32 values[5];
	for (int32 i = 0; i < 5; i++) {
		uint32 word = Load32(words + 4 * i);
		values[i] = static_cast<int32>(swapped ? Swap32(word) : word);
	}
	record->target = values[0];
	record->replyLooper = values[1];
	record->replyHandler = values[2];
	record->replyTeam = values[3];
	record->flags = static_cast<uint32>(values[4]);
	record->reserved = 0;
	if (record->target == kPreferredToken) {
		record->target = -1;
		record->flags |= kPreferredTargetFlag;
	}
}

status_t ReadHeaderChunks(const uint8* bytes, size_t available, bool swapped, HeaderChunks* header,
	BMessageInfo* info, BMessageRecord* record)
{
	size_t offset = kMinimalHeaderSize;
	while (available - offset >= kChunkHeaderSize) {
		const uint8* chunk = bytes + offset;
		uint16 kind = Load16(chunk);
		uint32 size = Load32(chunk + 4);
		if (swapped) {
			kind = Swap16(kind);
			size = Swap32(size);
		}
		if ((kind & kHeaderChunkBit) == 0)
			break;
		// A chunk shorter than its own header would never let the walk advance.
		if (size > available - offset || size < kChunkHeaderSize) {
			BodyDiagnostic()
				.Text("::Unflatten() header size too small: ")
				.Unsigned(static_cast<uint32>(available - offset))
				.ToErrorOut();
			return kNotAMessage;
		}
		auto word = [&](uint32 at) { return swapped ? Swap32(Load32(chunk + at)) : Load32(chunk + at); };
		if (kind == kBodySummary && size >= 16) {
			header->indexOffset = word(8);
			header->endOffset = word(12);
			if (size >= 24)
				header->atomCount = word(16);
		} else if (kind == kSpecifierChunk && size >= 16) {
			header->hasSpecifiers = true;
			info->currentSpecifier = static_cast<int32>(word(8));
		} else if (kind == kWhenChunk && size >= 16) {
			uint64 when = Load64(chunk + 8);
			info->hasWhen = true;
			info->when = static_cast<bigtime_t>(swapped ? Swap64(when) : when);
		} else if (kind == kRecordChunk && size >= 32) {
			ReadRecordChunk(chunk + 8, swapped, record);
		}
		header->size += size;
		offset += size;
	}
	return kOk;
}

// The message's old body when it is big enough, else that body grown, else a new one.
status_t ObtainBody(BMessageBody** body, uint32 size)
{
	status_t status = kOk;
	if (*body == nullptr) {
		*body = BMessageBody::Create(size);
		if (*body == nullptr)
			status = kNoMemory;
	} else {
		status = BMessageBody::Reserve(body, size);
	}
	if (status != kOk)
		BodyDiagnostic().Text("::Unflatten() out of memory").ToErrorOut();
	return status;
}

void DiscardBody(BMessageBody** body)
{
	if (*body != nullptr)
		(*body)->Release();
	*body = nullptr;
}

status_t TakeBody(const uint8* bytes, uint32 bodySize, bool swapped, bool trusted,
	const HeaderChunks& header, BMessageBody** body)
{
	// The check's working space lies in the body's spare room behind the data.
	status_t status = ObtainBody(body, bodySize + CheckScratchSize(bodySize));
	if (status != kOk)
		return status;
	BMessageBody* target = *body;
	std::memcpy(target->Data(), bytes, bodySize);
	uint32 used = bodySize;
	if (swapped) {
		status = SwapBody(target->Data(), &used);
		if (status != kOk) {
			BodyDiagnostic().Text("::Unflatten() error swapping body: ").ErrorText(status).ToErrorOut();
			return status;
		}
	}
	BodyShape shape;
	BodyHints hints;
	hints.indexOffset = header.indexOffset;
	hints.endOffset = header.endOffset;
	status = CheckBody(target->Data(), used, hints, target->Data() + bodySize, &shape);
	if (status != kOk) {
		BodyDiagnostic().Text("::Unflatten() error parsing body: ").ErrorText(status).ToErrorOut();
		return status;
	}
	// Until the atoms are accounted for, freeing the body must not touch them.
	target->Adopt(shape.usedSize, shape.indexOffset, shape.endOffset, 0);
	if (shape.fieldCount == 0) {
		DiscardBody(body);
		return kOk;
	}
	if (!trusted || swapped) {
		if (header.atomCount != 0 || (shape.mayHoldAtoms && HoldsAtoms(target->Data(), target->UsedSize()))) {
			BodyDiagnostic().Text("::Unflatten() error parsing body: ").ErrorText(kNotAMessage).ToErrorOut();
			return kNotAMessage;
		}
		target->SetHasSpecifiers(header.hasSpecifiers);
		return kOk;
	}
	target->Adopt(shape.usedSize, shape.indexOffset, shape.endOffset, header.atomCount);
	target->SetHasSpecifiers(header.hasSpecifiers);
	if (header.atomCount != 0)
		target->AcquireAtoms();
	return kOk;
}

}  // namespace

status_t Unflatten(const void* buffer, size_t available, bool trusted, BMessageInfo* info,
	BMessageRecord* record, BMessageBody** body)
{
	*info = BMessageInfo();
	*record = BMessageRecord();
	const uint8* bytes = static_cast<const uint8*>(buffer);
	if (available < 4 || bytes == nullptr) {
		DiscardBody(body);
		return kNotAMessage;
	}
	uint32 magic = Load32(bytes);
	if ((magic != kFlattenedMagic && magic != kSwappedMagic) || available < kMinimalHeaderSize)
		return UnflattenOldMessage(bytes, available, info, record, body);
	bool swapped = magic == kSwappedMagic;
	uint32 total = Load32(bytes + 4);
	uint32 what = Load32(bytes + 8);
	info->what = swapped ? Swap32(what) : what;
	if (swapped)
		total = Swap32(total);
	HeaderChunks header;
	status_t status = ReadHeaderChunks(bytes, available, swapped, &header, info, record);
	if (status != kOk) {
		DiscardBody(body);
		return status;
	}
	int64 bodySize = static_cast<int64>(total) - header.size;
	if (bodySize <= BMessageBody::kEmptyUsedSize) {
		DiscardBody(body);
		return kOk;
	}
	size_t remaining = available - header.size;
	if (remaining < static_cast<uint64>(bodySize)) {
		BodyDiagnostic()
			.Text("::Unflatten() not enough data for body: ")
			.Unsigned(static_cast<uint32>(remaining))
			.Text(", but expected ")
			.Unsigned(static_cast<uint32>(bodySize))
			.ToErrorOut();
		DiscardBody(body);
		return kNotAMessage;
	}
	status = TakeBody(bytes + header.size, static_cast<uint32>(bodySize), swapped, trusted, header, body);
	if (status != kOk)
		DiscardBody(body);
	return status;
}

}  // namespace BPrivate
