// BMessageOld: the reader of the older flattened format 'FOB1'.
//
// A stream of a 17-byte header (magic, checksum, total size, what, flags), an
// optional target token and reply section, and fields that each start with a
// flags byte; a zero flags byte ends the stream. Nothing in the system writes
// this format any more. Diagnostics go to the debugger stream.
#pragma once

#include "messaging/MessageFlatten.h"

#include <cstddef>

namespace BPrivate {

// Reads an old-format message from `available` bytes. On success *body holds
// the fields (null when there were none); on failure it is null and the status
// is kNotAMessage or kNoMemory.
[[nodiscard]] status_t UnflattenOldMessage(const uint8* bytes, size_t available, BMessageInfo* info,
	BMessageRecord* record, BMessageBody** body);

// The checksum over the header bytes from the total-size word on, as stored.
uint32 OldMessageChecksum(const uint8* bytes, size_t length);

}  // namespace BPrivate
