// BMessage: fields over a shared copy-on-write body.
#include "messaging/Message.h"

#include "kernel/DebuggerHook.h"
#include "messaging/Flattenable.h"
#include "messaging/MessageChunks.h"
#include "messaging/Messenger.h"

#include <cstdlib>
#include <cstring>

using namespace BPrivate;

namespace {

constexpr uint32 kDestroyed = 0xDEADBEEF;

bool TypesMatch(type_code wanted, type_code actual)
{
	return wanted == actual || wanted == kAnyType || actual == kAnyType;
}

bool IsCapital(uint32 character)
{
	return character >= 'A' && character <= 'Z';
}

// True when `data` lies inside the body's allocation, which a change may move.
bool PointsInto(const BMessageBody* body, const void* data)
{
	if (body == nullptr)
		return false;
	const uint8* start = reinterpret_cast<const uint8*>(body);
	const uint8* end = start + BMessageBody::kDataStart + body->Capacity();
	const uint8* at = static_cast<const uint8*>(data);
	return at >= start && at < end;
}

// A private copy of data that a change of the body could move; null when memory ran out.
const void* StableCopy(const BMessageBody* body, const void* data, int32 size, void** owned)
{
	*owned = nullptr;
	if (size == 0 || !PointsInto(body, data))
		return data;
	*owned = std::malloc(static_cast<size_t>(size));
	if (*owned != nullptr)
		std::memcpy(*owned, data, static_cast<size_t>(size));
	return *owned;
}

}  // namespace

BMessage::BMessage()
	: what(0)
{
}

BMessage::BMessage(uint32 command)
	: what(command)
{
}

BMessage::BMessage(const BMessage& other)
	: what(0)
{
	CopyFrom(other);
}

BMessage::BMessage(const BMessage& other, bool withDeliveryRecord)
	: what(0)
{
	CopyFrom(other);
	if (withDeliveryRecord) {
		fRecord = other.fRecord;
		fRecord.target = -1;
	}
}

BMessage& BMessage::operator=(const BMessage& other)
{
	if (this == &other)
		return *this;
	Clear();
	CopyFrom(other);
	return *this;
}

BMessage::~BMessage()
{
	// The mark is read and written through volatile so that the compiler keeps
	// the store of a destructor and the check of a second one.
	volatile uint32* mark = &fDestroyedMark;
	if (*mark == kDestroyed) {
		DebuggerHook("Message deleted twice");
		return;
	}
	Clear();
	*mark = kDestroyed;
}

void BMessage::_ReservedMessage1() {}
void BMessage::_ReservedMessage2() {}
void BMessage::_ReservedMessage3() {}

void BMessage::CopyFrom(const BMessage& other)
{
	what = other.what;
	fWhen = other.fWhen;
	fHasWhen = other.fHasWhen;
	fCurrentSpecifier = other.fCurrentSpecifier;
	fBody = other.fBody;
	if (fBody != nullptr)
		fBody->Acquire();
}

void BMessage::Clear()
{
	// Sent while the body is still there: a sender that does not wait gets
	// this message back inside the reply.
	if (NeedsReply())
		SendAutomaticReply();
	if (fBody != nullptr)
		fBody->Release();
	fBody = nullptr;
	fWhen = 0;
	fHasWhen = false;
	fCurrentSpecifier = -1;
	fRecord = BMessageRecord();
}

BMessageInfo BMessage::Info() const
{
	BMessageInfo info;
	info.what = what;
	info.currentSpecifier = fCurrentSpecifier;
	info.when = fWhen;
	info.hasWhen = fHasWhen;
	return info;
}

void BMessage::TakeInfo(const BMessageInfo& info)
{
	what = info.what;
	fCurrentSpecifier = info.currentSpecifier;
	fWhen = info.when;
	fHasWhen = info.hasWhen;
}

status_t BMessage::MakeBodyPrivate()
{
	return BMessageBody::MakePrivate(&fBody);
}

// --- field operations ---

status_t BMessage::AddData(const char* name, type_code type, const void* data, int32 size, bool fixedSize)
{
	if (name == nullptr || name[0] == 0 || size < 0 || (data == nullptr && size > 0))
		return kBadValue;
	void* owned;
	const void* source = StableCopy(fBody, data, size, &owned);
	if (source == nullptr)
		return kNoMemory;
	uint8* item = nullptr;
	status_t status = AddItem(name, type, size, fixedSize, &item);
	if (status == kOk && size > 0)
		std::memcpy(item, source, static_cast<size_t>(size));
	std::free(owned);
	return status;
}

status_t BMessage::AddItem(const char* name, type_code type, int32 size, bool fixedSize, uint8** item)
{
	bool hadBody = fBody != nullptr;
	status_t status = MakeBodyPrivate();
	if (status == kOk)
		status = BMessageBody::AddItem(&fBody, name, type, static_cast<uint32>(size), fixedSize, item);
	if (status != kOk && !hadBody && fBody != nullptr) {
		fBody->Release();
		fBody = nullptr;
	}
	return status;
}

status_t BMessage::FindItem(const char* name, int32 index, BMessageField* field, uint32* itemSize) const
{
	if (index < 0)
		return kBadIndex;
	if (fBody == nullptr || name == nullptr)
		return kNameNotFound;
	return fBody->LookUp(name, index, field, itemSize);
}

status_t BMessage::GetData(const char* name, type_code type, int32 index, const void** data,
	int32* size) const
{
	*data = nullptr;
	*size = 0;
	BMessageField field;
	uint32 itemSize;
	status_t status = FindItem(name, index, &field, &itemSize);
	if (status != kOk)
		return status;
	if (!TypesMatch(type, field.type))
		return kBadType;
	*data = field.item;
	*size = static_cast<int32>(itemSize);
	return kOk;
}

status_t BMessage::CopyData(const char* name, type_code type, int32 index, void* destination,
	int32 size) const
{
	BMessageField field;
	uint32 itemSize;
	status_t status = FindItem(name, index, &field, &itemSize);
	if (status != kOk)
		return status;
	if (type != field.type)
		return kBadType;
	if (size < 0 || static_cast<uint32>(size) != itemSize)
		return kMismatchedValues;
	std::memcpy(destination, field.item, itemSize);
	return kOk;
}

status_t BMessage::OverwriteData(const char* name, int32 index, type_code type, const void* data,
	int32 size)
{
	if (index < 0)
		return kBadIndex;
	if (fBody == nullptr || name == nullptr || fBody->FindField(name) < 0)
		return kNameNotFound;
	if (size < 0 || (data == nullptr && size > 0))
		return kBadValue;
	void* owned;
	const void* source = StableCopy(fBody, data, size, &owned);
	if (source == nullptr)
		return kNoMemory;
	status_t status = MakeBodyPrivate();
	int32 offset = fBody->FindField(name);
	BMessageField field;
	if (status == kOk) {
		fBody->DescribeField(static_cast<uint32>(offset), &field);
		if (!TypesMatch(type, field.type))
			status = kBadType;
	}
	uint8* item = nullptr;
	if (status == kOk)
		status = BMessageBody::ReplaceItem(&fBody, static_cast<uint32>(offset), index,
			static_cast<uint32>(size), &item);
	if (status == kOk && size > 0)
		std::memcpy(item, source, static_cast<size_t>(size));
	std::free(owned);
	return status;
}

status_t BMessage::RemoveField(const char* name)
{
	if (name == nullptr)
		return kNameNotFound;
	if (fHasWhen && std::strcmp(name, "when") == 0) {
		fHasWhen = false;
		fWhen = 0;
		return kOk;
	}
	if (fBody == nullptr || fBody->FindField(name) < 0)
		return kNameNotFound;
	status_t status = MakeBodyPrivate();
	if (status != kOk)
		return status;
	return fBody->RemoveField(name);
}

bool BMessage::HasFieldOfType(const char* name, type_code type) const
{
	const void* data;
	int32 size;
	return GetData(name, type, 0, &data, &size) == kOk;
}

// --- typed operations ---

status_t BMessage::AddBool(const char* name, bool value)
{
	uint8 byte = value ? 1 : 0;
	return AddData(name, kBoolType, &byte, 1, true);
}

status_t BMessage::GetBool(const char* name, bool* value) const
{
	uint8 byte = 0;
	status_t status = CopyData(name, kBoolType, 0, &byte, 1);
	*value = status == kOk && byte != 0;
	return status;
}

status_t BMessage::AddInt8(const char* name, int8 value)
{
	return AddData(name, kInt8Type, &value, 1, true);
}

status_t BMessage::AddInt32(const char* name, int32 value)
{
	return AddData(name, kInt32Type, &value, 4, true);
}

status_t BMessage::GetInt32(const char* name, int32* value) const
{
	return GetInt32(name, 0, value);
}

status_t BMessage::GetInt32(const char* name, int32 index, int32* value) const
{
	status_t status = CopyData(name, kInt32Type, index, value, 4);
	if (status != kOk)
		*value = 0;
	return status;
}

int32 BMessage::Int32At(const char* name, int32 index) const
{
	int32 value;
	GetInt32(name, index, &value);
	return value;
}

status_t BMessage::AddFloat(const char* name, float value)
{
	return AddData(name, kFloatType, &value, 4, true);
}

float BMessage::FloatAt(const char* name, int32 index) const
{
	float value = 0.0f;
	if (CopyData(name, kFloatType, index, &value, 4) != kOk)
		return 0.0f;
	return value;
}

status_t BMessage::GetPointer(const char* name, void** value) const
{
	status_t status = CopyData(name, kPointerType, 0, value, sizeof(void*));
	if (status != kOk)
		*value = nullptr;
	return status;
}

status_t BMessage::AddPoint(const char* name, BPoint point)
{
	return AddData(name, kPointType, &point, sizeof(point), true);
}

status_t BMessage::GetPoint(const char* name, BPoint* point) const
{
	status_t status = CopyData(name, kPointType, 0, point, sizeof(*point));
	if (status != kOk)
		*point = BPoint();
	return status;
}

status_t BMessage::OverwritePoint(const char* name, BPoint point)
{
	return OverwriteData(name, 0, kPointType, &point, sizeof(point));
}

status_t BMessage::GetRect(const char* name, BRect* rect) const
{
	status_t status = CopyData(name, kRectType, 0, rect, sizeof(*rect));
	if (status != kOk)
		*rect = BRect();
	return status;
}

status_t BMessage::AddMessenger(const char* name, const BMessenger& messenger)
{
	return AddData(name, kMessengerType, &messenger, sizeof(messenger), true);
}

status_t BMessage::GetMessenger(const char* name, BMessenger* messenger) const
{
	return GetMessenger(name, 0, messenger);
}

status_t BMessage::GetMessenger(const char* name, int32 index, BMessenger* messenger) const
{
	status_t status = CopyData(name, kMessengerType, index, messenger, sizeof(*messenger));
	if (status != kOk)
		*messenger = BMessenger();
	return status;
}

status_t BMessage::AddFlattenable(const char* name, const BFlattenable* object)
{
	if (name == nullptr || name[0] == 0 || object == nullptr)
		return kBadValue;
	int32 size = object->FlattenedSize();
	if (size < 0)
		return size;
	uint8* item = nullptr;
	status_t status = AddItem(name, object->TypeCode(), size, object->HasFixedSize(), &item);
	if (status != kOk)
		return status;
	// Zeroed first, so that a failed Flatten leaves no stale heap bytes behind.
	std::memset(item, 0, static_cast<size_t>(size));
	return object->Flatten(item, size);
}

status_t BMessage::AddText(const char* name, const BString* text)
{
	if (name == nullptr || text == nullptr)
		return kError;
	static const wchar_t kEmpty = 0;
	const wchar_t* units = text->IsEmpty() ? &kEmpty : text->Chars();
	int32 bytes = (text->Length() + 1) * static_cast<int32>(sizeof(wchar_t));
	return AddData(name, kTextType, units, bytes, false);
}

status_t BMessage::GetText(const char* name, int32 index, BString* text) const
{
	text->Clear();
	const void* data;
	int32 size;
	status_t status = GetData(name, kTextType, index, &data, &size);
	if (status == kOk && size > 1) {
		text->Assign(static_cast<const wchar_t*>(data), size / 2 - 1);
		return kOk;
	}
	status_t utf8Status = GetData(name, kUtf8Type, index, &data, &size);
	if (utf8Status == kOk) {
		if (size > 1)
			text->Assign(static_cast<const char*>(data), size - 1);
		return kOk;
	}
	return status != kOk ? status : utf8Status;
}

status_t BMessage::AddNestedMessage(const char* name, const BMessage* message)
{
	if (message == this) {
		DebuggerHook("Can't add a message to itself");
		return kBadValue;
	}
	if (name == nullptr || name[0] == 0 || message == nullptr)
		return kBadValue;
	int32 size = message->FlattenedSize();
	if (size < 0)
		return size;
	uint8* item = nullptr;
	status_t status = AddItem(name, kMessageType, size, false, &item);
	if (status != kOk)
		return status;
	FlattenInto(message->fBody, message->Info(), item, nullptr, true);
	if (message->fBody != nullptr)
		fBody->AddAtomCount(message->fBody->AtomCount());
	return kOk;
}

status_t BMessage::GetNestedMessage(const char* name, int32 index, BMessage* message) const
{
	const void* data;
	int32 size;
	status_t status = GetData(name, kMessageType, index, &data, &size);
	if (status != kOk)
		return status;
	// Unflattened into a fresh message first: the output may be this very message.
	BMessage nested;
	status = nested.UnflattenItem(data, static_cast<uint32>(size));
	*message = nested;
	return status;
}

// --- header and delivery queries ---

bigtime_t BMessage::When() const
{
	if (fHasWhen)
		return fWhen;
	const void* data;
	int32 size;
	if (GetData("when", kInt64Type, 0, &data, &size) == kOk && size == 8) {
		int64 when;
		std::memcpy(&when, data, 8);
		return when;
	}
	return 0;
}

bool BMessage::HasWhen() const
{
	return fHasWhen || HasFieldOfType("when", kInt64Type);
}

void BMessage::SetWhen(bigtime_t when)
{
	// The field was just found, so removing it cannot fail.
	if (!fHasWhen && HasFieldOfType("when", kInt64Type) && MakeBodyPrivate() == kOk)
		(void)fBody->RemoveField("when");
	fWhen = when;
	fHasWhen = true;
}

bool BMessage::IsSystemCode() const
{
	return (what >> 24) == '_' && IsCapital((what >> 16) & 0xFF) && IsCapital((what >> 8) & 0xFF) &&
		IsCapital(what & 0xFF);
}

bool BMessage::IsDelivered() const
{
	return (fRecord.flags & kDeliveredFlag) != 0;
}

bool BMessage::SenderWaits() const
{
	return (fRecord.flags & (kDeliveredFlag | kSenderWaitsFlag | kReplySentFlag)) == (kDeliveredFlag | kSenderWaitsFlag);
}

bool BMessage::NeedsReply() const
{
	uint32 flags = fRecord.flags;
	return (flags & kDeliveredFlag) != 0 && (flags & kReplySentFlag) == 0 &&
		(flags & (kSenderWaitsFlag | kReplyRequiredFlag)) != 0;
}

bool BMessage::HasSpecifiers() const
{
	return fBody != nullptr && fBody->HasSpecifiers();
}

status_t BMessage::CurrentSpecifier(int32* index, BMessage* specifier, uint32* command,
	BString* property) const
{
	*index = fCurrentSpecifier;
	if (fCurrentSpecifier < 0)
		return kBadScriptRequest;
	if (specifier == nullptr && command == nullptr && property == nullptr)
		return kOk;
	BMessage found;
	if (GetNestedMessage("specifiers", fCurrentSpecifier, &found) != kOk)
		return kBadScriptRequest;
	if (command != nullptr)
		*command = found.what;
	if (property != nullptr && found.GetText("property", property) != kOk)
		return kBadScriptRequest;
	if (specifier != nullptr)
		*specifier = found;
	return kOk;
}

status_t BMessage::DropSpecifier()
{
	if (!IsDelivered() || fCurrentSpecifier < 0)
		return kBadValue;
	fCurrentSpecifier--;
	return kOk;
}

bool BMessage::HasDropPoint() const
{
	return HasFieldOfType("be:drop pt", kPointType);
}

// --- comparing ---

namespace {

int32 Order(uint32 a, uint32 b)
{
	return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

int32 BMessage::Compare(const BMessage& other, bool compareWhat) const
{
	return CompareNested(other, compareWhat, 0);
}

// Nested messages are compared as messages down to kMaxNesting levels and as
// bytes below, so that no input can nest the recursion past the stack.
int32 BMessage::CompareNested(const BMessage& other, bool compareWhat, int32 depth) const
{
	if (compareWhat && what != other.what)
		return Order(what, other.what);
	bool hasFields = FieldCount() > 0;
	bool otherHasFields = other.FieldCount() > 0;
	if (!hasFields || !otherHasFields)
		return Order(hasFields ? 1 : 0, otherHasFields ? 1 : 0);
	uint32 cookie = 0;
	uint32 otherCookie = 0;
	while (true) {
		BMessageField field;
		BMessageField otherField;
		bool more = fBody->NextField(&cookie, kAnyType, nullptr, 0, -1, &field) == kOk;
		bool otherMore = other.fBody->NextField(&otherCookie, kAnyType, nullptr, 0, -1, &otherField) == kOk;
		if (!more || !otherMore)
			return Order(more ? 1 : 0, otherMore ? 1 : 0);
		if (field.type != otherField.type)
			return Order(field.type, otherField.type);
		if (field.count != otherField.count)
			return field.count < otherField.count ? -1 : 1;
		int names = std::strcmp(field.name, otherField.name);
		if (names != 0)
			return names < 0 ? -1 : 1;
		for (int32 i = 0; i < field.count; i++) {
			const void* item;
			const void* otherItem;
			uint32 size;
			uint32 otherSize;
			fBody->ItemAt(field.offset, i, &item, &size);
			other.fBody->ItemAt(otherField.offset, i, &otherItem, &otherSize);
			int32 order;
			if (field.type == kMessageType && depth < kMaxNesting) {
				// An item that does not read back compares as an empty message.
				BMessage nested;
				BMessage otherNested;
				(void)nested.UnflattenItem(item, size);
				(void)otherNested.UnflattenItem(otherItem, otherSize);
				order = nested.CompareNested(otherNested, compareWhat, depth + 1);
			} else if (size != otherSize) {
				order = Order(size, otherSize);
			} else {
				int bytes = std::memcmp(item, otherItem, size);
				order = bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
			}
			if (order != 0)
				return order;
		}
	}
}

// --- flattening ---

int32 BMessage::FlattenedSize() const
{
	return static_cast<int32>(BPrivate::FlattenedSize(fBody, Info(), false));
}

status_t BMessage::Flatten(void* buffer, int32 size) const
{
	if (buffer == nullptr || size < FlattenedSize())
		return kBadValue;
	if (fBody != nullptr && fBody->AtomCount() != 0)
		DebuggerHook("Can't write a message containing atoms");
	FlattenInto(fBody, Info(), static_cast<uint8*>(buffer), nullptr, false);
	return kOk;
}

status_t BMessage::Flatten(FlattenResult* result, bool fixedLayout, bool withDeliveryRecord) const
{
	return BPrivate::Flatten(fBody, Info(), withDeliveryRecord ? &fRecord : nullptr, fixedLayout, result);
}

status_t BMessage::Unflatten(const void* buffer, size_t available)
{
	if (fBody != nullptr && fBody->IsShared()) {
		fBody->Release();
		fBody = nullptr;
	} else if (fBody != nullptr) {
		fBody->MakeEmpty();
	}
	BMessageInfo info;
	status_t status = BPrivate::Unflatten(buffer, available, false, &info, &fRecord, &fBody);
	if (status != kOk) {
		Clear();
		return status;
	}
	TakeInfo(info);
	return kOk;
}

status_t BMessage::UnflattenItem(const void* item, uint32 size)
{
	Clear();
	BMessageInfo info;
	status_t status = BPrivate::Unflatten(item, size, true, &info, &fRecord, &fBody);
	if (status != kOk) {
		Clear();
		return status;
	}
	TakeInfo(info);
	return kOk;
}
