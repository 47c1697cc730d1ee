// The flattened message format 'FOB2': a 16-byte fixed part, header chunks
// ('fo' body summary, 'cs' current specifier, 'hw' delivery time, 'rt' delivery
// record) and the body data area exactly as a BMessageBody keeps it.
//
// Two layouts: compact (only the chunks present; nested messages) and fixed
// (every slot filled, absent chunks replaced by 'ap' padding of the same size,
// so the header is always 104 bytes and fits a body's header area). Unflatten
// reads either layout in either byte order, and the old 'FOB1' format.
#pragma once

#include "messaging/DeliveryFlags.h"
#include "messaging/MessageBody.h"

#include <cstdlib>

namespace BPrivate {

// What a message keeps beside its body.
struct BMessageInfo {
	uint32 what = 0;
	int32 currentSpecifier = -1;
	bigtime_t when = 0;
	bool hasWhen = false;
};

// The delivery record: target handler token, return looper token, return
// handler token, return team, delivery flags and a reserved word.
struct BMessageRecord {
	int32 target = -1;
	int32 replyLooper = -1;
	int32 replyHandler = -1;
	int32 replyTeam = -1;
	uint32 flags = 0;
	uint32 reserved = 0;
};

constexpr uint32 kFlattenedMagic = FourCC("FOB2");
constexpr uint32 kFixedHeaderSize = 104;
constexpr uint32 kEmptyFixedSize = kFixedHeaderSize + BMessageBody::kEmptyUsedSize;

// A flattened message ready to be read: it points into the body's header area
// when that was free, into an owned copy otherwise, or into the inline area for
// a message without a body. ReleaseFlattenResult ends the borrowing.
struct FlattenResult {
	const uint8* data = nullptr;
	uint32 size = 0;
	uint8* owned = nullptr;
	BMessageBody* claimedBody = nullptr;
	uint8 inlineArea[kEmptyFixedSize];
};

// The compact size of a message; with or without the delivery record.
uint32 FlattenedSize(const BMessageBody* body, const BMessageInfo& info, bool withRecord);
[[nodiscard]] status_t Flatten(BMessageBody* body, const BMessageInfo& info, const BMessageRecord* record, bool fixed,
	FlattenResult* result);
inline void ReleaseFlattenResult(FlattenResult* result)
{
	// Most results borrow the body's header area and own nothing.
	if (result->owned != nullptr)
		std::free(result->owned);
	if (result->claimedBody != nullptr)
		result->claimedBody->ReleaseHeaderArea();
	result->owned = nullptr;
	result->claimedBody = nullptr;
	result->data = nullptr;
	result->size = 0;
}
// Writes the compact form into a buffer of FlattenedSize bytes. With
// takeReferences the copy's atom items get references of their own (the copy
// lives in a nested item of another body).
void FlattenInto(const BMessageBody* body, const BMessageInfo& info, uint8* buffer,
	const BMessageRecord* record, bool takeReferences);

// Reads a flattened message of either format. *body is null or an empty body
// the caller holds alone, which is reused when it is big enough; it is null
// afterwards for a message without fields and after any failure. A foreign
// message (not trusted) carrying atom items is refused: its addresses mean
// nothing here. Statuses: kNotAMessage for malformed data, kNoMemory.
[[nodiscard]] status_t Unflatten(const void* buffer, size_t available, bool trusted, BMessageInfo* info,
	BMessageRecord* record, BMessageBody** body);

// Mode 4 swaps every value of the type in place; modes 0 and 2 leave the data.
// kBadValue for a type without a swap rule (left unchanged).
[[nodiscard]] status_t SwapData(type_code type, void* data, size_t length, int32 mode);

}  // namespace BPrivate
