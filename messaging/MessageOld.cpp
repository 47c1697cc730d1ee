// BMessageOld: reading 'FOB1' streams into a message body.
#include "messaging/MessageOld.h"

#include "messaging/MessageChunks.h"
#include "messaging/MessageDiagnostics.h"

#include <cstdlib>
#include <cstring>

namespace BPrivate {

namespace {

constexpr uint32 kOldMagic = FourCC("FOB1");
constexpr uint32 kSwappedOldMagic = __builtin_bswap32(kOldMagic);
constexpr uint32 kPrefixSize = 12;
constexpr uint32 kMinimumTotal = 17;
constexpr int32 kPreferredToken = -2;

// Header flags.
constexpr uint8 kHasTarget = 0x02;
constexpr uint8 kHasReplySection = 0x04;
constexpr uint8 kHasSpecifiers = 0x08;
// Field flags.
constexpr uint8 kSmallField = 0x02;
constexpr uint8 kFixedItems = 0x04;
constexpr uint8 kSingleItemField = 0x08;

// Delivery flags set by the four bytes of the reply section, in order.
constexpr uint32 kReplyBits[4] = {kReturnPreferredFlag, kSenderWaitsFlag, kReplySentFlag, kIsReplyFlag};

void Report(const char* text)
{
	DiagnosticLine().Text("BMessageOld: ").Text(text).ToDebuggerOut();
}

class OldMessageReader {
public:
	OldMessageReader(const uint8* data, uint32 total, bool swapped, BMessageInfo* info, BMessageRecord* record)
		: fData(data), fTotal(total), fSwapped(swapped), fInfo(info), fRecord(record)
	{
	}
	~OldMessageReader()
	{
		if (fBody != nullptr)
			fBody->Release();
	}

	status_t Read();
	BMessageBody* DetachBody()
	{
		BMessageBody* body = fBody;
		fBody = nullptr;
		return body;
	}

private:
	bool Has(uint32 bytes) const { return fTotal - fPosition >= bytes; }
	uint32 Word(uint32 at) const
	{
		uint32 value = Load32(fData + at);
		return fSwapped ? __builtin_bswap32(value) : value;
	}
	status_t ReadHeader();
	status_t ReadField(uint8 flags);
	status_t ReadFieldNumber(bool small, const char* missing, uint32* value);
	status_t AddFixedItems(const char* name, type_code type, uint8* items, uint32 count, uint32 size);
	status_t AddVariableItems(const char* name, type_code type, const uint8* items, uint32 count, uint32 size);
	status_t AddItem(const char* name, type_code type, const void* data, uint32 size, bool fixed);
	void TakeSpecifiers();

	const uint8* fData;
	uint32 fTotal;
	bool fSwapped;
	BMessageInfo* fInfo;
	BMessageRecord* fRecord;
	BMessageBody* fBody = nullptr;
	uint32 fPosition = 0;
	uint8 fHeaderFlags = 0;
};

status_t OldMessageReader::ReadHeader()
{
	fInfo->what = Word(12);
	fHeaderFlags = fData[16];
	fPosition = kMinimumTotal;
	if ((fHeaderFlags & kHasTarget) != 0) {
		if (!Has(4))
			return kNotAMessage;
		int32 target = static_cast<int32>(Word(fPosition));
		fPosition += 4;
		if (target == kPreferredToken) {
			target = -1;
			fRecord->flags |= kPreferredTargetFlag;
		}
		fRecord->target = target;
	}
	if ((fHeaderFlags & kHasReplySection) != 0) {
		if (!Has(16))
			return kNotAMessage;
		fRecord->replyLooper = static_cast<int32>(Word(fPosition));
		fRecord->replyHandler = static_cast<int32>(Word(fPosition + 4));
		fRecord->replyTeam = static_cast<int32>(Word(fPosition + 8));
		fRecord->flags |= kDeliveredFlag;
		for (uint32 i = 0; i < 4; i++) {
			if (fData[fPosition + 12 + i] != 0)
				fRecord->flags |= kReplyBits[i];
		}
		fPosition += 16;
	}
	uint32 computed = OldMessageChecksum(fData + 8, fPosition - 8);
	uint32 stored = Word(4);
	if (computed != stored) {
		DiagnosticLine()
			.Text("BMessageOld: checksum mismatch n=")
			.Unsigned(computed)
			.Text(", o=")
			.Unsigned(stored)
			.ToDebuggerOut();
		return kNotAMessage;
	}
	return kOk;
}

status_t OldMessageReader::ReadFieldNumber(bool small, const char* missing, uint32* value)
{
	uint32 width = small ? 1 : 4;
	if (!Has(width)) {
		Report(missing);
		return kNotAMessage;
	}
	*value = small ? fData[fPosition] : Word(fPosition);
	fPosition += width;
	return kOk;
}

status_t OldMessageReader::AddItem(const char* name, type_code type, const void* data, uint32 size, bool fixed)
{
	status_t status = kNoMemory;
	uint8* item = nullptr;
	// An address from another process means nothing here and must never be
	// dereferenced, so atom fields are refused like any failed add.
	if (type == kAtomType || type == kAtomRefType || name[0] == 0) {
		status = kBadValue;
	} else if (fBody != nullptr || (fBody = BMessageBody::Create()) != nullptr) {
		status = BMessageBody::AddItem(&fBody, name, type, size, fixed, &item);
	}
	if (status != kOk) {
		Report("Error returned by AddData()");
		return kNotAMessage;
	}
	std::memcpy(item, data, size);
	return kOk;
}

status_t OldMessageReader::AddFixedItems(const char* name, type_code type, uint8* items, uint32 count,
	uint32 size)
{
	uint32 itemSize = size / count;
	// Items of types without a swap rule are kept byte for byte.
	if (fSwapped)
		(void)SwapData(type, items, size, 4);
	if (type == kInt64Type && count == 1 && itemSize == 8 && std::strcmp(name, "when") == 0) {
		fInfo->when = static_cast<bigtime_t>(Load64(items));
		fInfo->hasWhen = true;
		return kOk;
	}
	for (uint32 i = 0; i < count; i++) {
		status_t status = AddItem(name, type, items + i * itemSize, itemSize, true);
		if (status != kOk)
			return status;
	}
	return kOk;
}

status_t OldMessageReader::AddVariableItems(const char* name, type_code type, const uint8* items,
	uint32 count, uint32 size)
{
	uint32 at = 0;
	for (uint32 i = 0; i < count; i++) {
		if (size - at < 4 || (size - at - 4) < Word(static_cast<uint32>(items + at - fData))) {
			DiagnosticLine().Text("BMessageOld: Bad format of variable-length array ").Text(name).ToDebuggerOut();
			return kNotAMessage;
		}
		uint32 length = Word(static_cast<uint32>(items + at - fData));
		status_t status = AddItem(name, type, items + at + 4, length, false);
		if (status != kOk)
			return status;
		uint32 step = RoundUp8(4 + length);
		at = step > size - at ? size : at + step;
	}
	return kOk;
}

status_t OldMessageReader::ReadField(uint8 flags)
{
	bool small = (flags & kSmallField) != 0;
	if (!Has(4)) {
		Report("Field type past end of data");
		return kNotAMessage;
	}
	type_code type = Word(fPosition);
	fPosition += 4;
	uint32 count = 1;
	status_t status = kOk;
	if ((flags & kSingleItemField) == 0)
		status = ReadFieldNumber(small, small ? "Mini count past end of data" : "Data count past end of data", &count);
	uint32 size = 0;
	if (status == kOk)
		status = ReadFieldNumber(small, small ? "Mini size past end of data" : "Data size past end of data", &size);
	if (status != kOk)
		return status;
	if (static_cast<int32>(count) <= 0 || size < count) {
		DiagnosticLine()
			.Text("BMessageOld: Bad value, count=")
			.Signed(static_cast<int32>(count))
			.Text(", logical=")
			.Signed(static_cast<int32>(size))
			.ToDebuggerOut();
		return kNotAMessage;
	}
	uint32 nameLength = 0;
	if (ReadFieldNumber(true, "Name length past end of data", &nameLength) != kOk)
		return kNotAMessage;
	if (!Has(nameLength)) {
		Report("Name length past end of data");
		return kNotAMessage;
	}
	char name[kMaxNameLength + 1];
	std::memcpy(name, fData + fPosition, nameLength);
	name[nameLength] = 0;
	fPosition += nameLength;
	if (static_cast<int32>(size) < 0 || !Has(size)) {
		Report("Field items past end of data");
		return kNotAMessage;
	}
	// The reader owns its copy of the stream, so fixed-size items swap in place.
	uint8* items = const_cast<uint8*>(fData) + fPosition;
	fPosition += size;
	if ((flags & kFixedItems) != 0)
		return AddFixedItems(name, type, items, count, size);
	return AddVariableItems(name, type, items, count, size);
}

void OldMessageReader::TakeSpecifiers()
{
	fInfo->currentSpecifier = -1;
	if ((fHeaderFlags & kHasSpecifiers) == 0 || fBody == nullptr)
		return;
	if (fBody->FindField("specifiers") >= 0)
		fBody->SetHasSpecifiers(true);
	int32 offset = fBody->FindField("_cur_specifier_");
	if (offset < 0)
		return;
	BMessageField field;
	fBody->DescribeField(static_cast<uint32>(offset), &field);
	if (field.type != kInt32Type || field.itemSize != 4)
		return;
	fInfo->currentSpecifier = static_cast<int32>(Load32(field.item));
	(void)fBody->RemoveField("_cur_specifier_");  // found just above
}

status_t OldMessageReader::Read()
{
	status_t status = ReadHeader();
	while (status == kOk) {
		if (!Has(1)) {
			Report("Field start past end of data");
			return kNotAMessage;
		}
		uint8 flags = fData[fPosition++];
		if (flags == 0)
			break;
		status = ReadField(flags);
	}
	if (status != kOk)
		return status;
	TakeSpecifiers();
	if (fPosition != fTotal) {
		DiagnosticLine()
			.Text("BMessageOld: expected size=")
			.Signed(static_cast<int32>(fTotal))
			.Text(", got=")
			.Signed(static_cast<int32>(fPosition))
			.ToDebuggerOut();
		return kNotAMessage;
	}
	if (fBody != nullptr && HoldsAtoms(fBody->Data(), fBody->UsedSize())) {
		Report("Error returned by AddData()");
		return kNotAMessage;
	}
	return kOk;
}

status_t ReadOldStream(const uint8* bytes, size_t available, BMessageInfo* info, BMessageRecord* record,
	BMessageBody** body)
{
	if (available < kPrefixSize)
		return kNotAMessage;
	uint32 magic = Load32(bytes);
	if (magic != kOldMagic && magic != kSwappedOldMagic)
		return kNotAMessage;
	bool swapped = magic == kSwappedOldMagic;
	uint32 total = Load32(bytes + 8);
	if (swapped)
		total = __builtin_bswap32(total);
	if (total < kMinimumTotal || total > available)
		return kNotAMessage;
	uint8* copy = static_cast<uint8*>(std::malloc(total));
	if (copy == nullptr) {
		Report("Out of memory for data buffer");
		return kNoMemory;
	}
	std::memcpy(copy, bytes, total);
	OldMessageReader reader(copy, total, swapped, info, record);
	status_t status = reader.Read();
	if (status == kOk)
		*body = reader.DetachBody();
	std::free(copy);
	return status;
}

}  // namespace

uint32 OldMessageChecksum(const uint8* bytes, size_t length)
{
	uint32 sum = 0;
	size_t at = 0;
	for (; at + 4 <= length; at += 4)
		sum += __builtin_bswap32(Load32(bytes + at));
	uint32 running = 0;
	for (; at < length; at++) {
		running = running * 256 + bytes[at];
		sum += running;
	}
	return sum;
}

status_t UnflattenOldMessage(const uint8* bytes, size_t available, BMessageInfo* info,
	BMessageRecord* record, BMessageBody** body)
{
	if (*body != nullptr)
		(*body)->Release();
	*body = nullptr;
	status_t status = ReadOldStream(bytes, available, info, record, body);
	if (status != kOk) {
		DiagnosticLine()
			.Text("BMessageOld: error unflattening old message: ")
			.ErrorText(status)
			.ToDebuggerOut();
		*info = BMessageInfo();
		*record = BMessageRecord();
	}
	return status;
}

}  // namespace BPrivate
