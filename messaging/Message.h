// BMessage: a command code, named typed fields and a delivery record.
//
// The fields live in a reference-counted BMessageBody shared between copies;
// every change first makes the body private (copy on write). A message has no
// lock: one thread uses it at a time, and it passes between threads only by
// being handed to a queue or target, after which the sender leaves it alone.
// Copies sharing a body may live on different threads.
#pragma once

#include "interface/Point.h"
#include "interface/Rect.h"
#include "messaging/MessageFlatten.h"
#include "support/String.h"

class BDataIO;
class BFlattenable;
class BHandler;
class BMessenger;

namespace BPrivate {
class BDirectMessageTarget;
}

class BMessage {
public:
	BMessage();
	explicit BMessage(uint32 command);
	BMessage(const BMessage& other);
	// As the copy, with the delivery record copied too (the target token reset to -1).
	BMessage(const BMessage& other, bool withDeliveryRecord);
	BMessage& operator=(const BMessage& other);
	virtual ~BMessage();

	void Clear();

	[[nodiscard]] status_t AddData(const char* name, type_code type, const void* data, int32 size, bool fixedSize = true);
	[[nodiscard]] status_t GetData(const char* name, type_code type, int32 index, const void** data, int32* size) const;
	[[nodiscard]] status_t CopyData(const char* name, type_code type, int32 index, void* destination, int32 size) const;
	[[nodiscard]] status_t OverwriteData(const char* name, int32 index, type_code type, const void* data, int32 size);
	[[nodiscard]] status_t RemoveField(const char* name);

	// The typed getters below (GetBool, GetInt32, GetPoint, ...) leave a defined
	// empty answer (false, 0, null, an unset value) when there is no such item,
	// so a caller content with that answer may ignore their status.
	[[nodiscard]] status_t AddBool(const char* name, bool value);
	status_t GetBool(const char* name, bool* value) const;
	[[nodiscard]] status_t AddInt8(const char* name, int8 value);
	[[nodiscard]] status_t AddInt32(const char* name, int32 value);
	status_t GetInt32(const char* name, int32* value) const;
	status_t GetInt32(const char* name, int32 index, int32* value) const;
	int32 Int32At(const char* name, int32 index) const;
	[[nodiscard]] status_t AddFloat(const char* name, float value);
	float FloatAt(const char* name, int32 index) const;
	status_t GetPointer(const char* name, void** value) const;
	[[nodiscard]] status_t AddPoint(const char* name, BPoint point);
	// (0, 0) when there is no such point.
	status_t GetPoint(const char* name, BPoint* point) const;
	// Replaces item 0 of the point field.
	[[nodiscard]] status_t OverwritePoint(const char* name, BPoint point);
	// The unset rectangle (0, 0, -1, -1) when there is no such rectangle.
	status_t GetRect(const char* name, BRect* rect) const;
	[[nodiscard]] status_t AddMessenger(const char* name, const BMessenger& messenger);
	// An invalid messenger when there is no such messenger.
	status_t GetMessenger(const char* name, BMessenger* messenger) const;
	status_t GetMessenger(const char* name, int32 index, BMessenger* messenger) const;
	// An item of the object's type code and flattened size; the object's
	// Flatten status is the result.
	[[nodiscard]] status_t AddFlattenable(const char* name, const BFlattenable* object);

	// A UTF-16 'USTR' item with its terminating zero unit; -1 for a null name or text.
	[[nodiscard]] status_t AddText(const char* name, const BString* text);
	// Reads a 'USTR' item, or else a UTF-8 'CSTR' item, at the index.
	status_t GetText(const char* name, int32 index, BString* text) const;
	status_t GetText(const char* name, BString* text) const { return GetText(name, 0, text); }

	[[nodiscard]] status_t AddNestedMessage(const char* name, const BMessage* message);
	[[nodiscard]] status_t GetNestedMessage(const char* name, int32 index, BMessage* message) const;

	bigtime_t When() const;
	bool HasWhen() const;
	void SetWhen(bigtime_t when);

	bool IsSystemCode() const;
	bool IsDelivered() const;
	bool SenderWaits() const;
	bool NeedsReply() const;
	// Delivered, and the return team is not this one.
	bool IsFromOtherTeam() const;
	// Delivered in this team to the handler `messenger` names, in the same
	// preferred or direct way.
	bool IsAddressedTo(const BMessenger& messenger) const;
	// Where a reply to this message goes; invalid when it was not delivered.
	BMessenger ReplyAddress() const;

	// Answers this received message with `reply`, which the caller keeps.
	// kNoReplyAddress without a valid return address, kReplyAlreadySent for a
	// second reply to a waiting sender. A sender that does not wait gets this
	// message back inside the reply as "_previous_".
	[[nodiscard]] status_t Reply(BMessage* reply, const BMessenger& replyTo, uint32 transportBits, bigtime_t timeout);
	// The reply's own replies go to `replyTo`, or with none to the application.
	[[nodiscard]] status_t ReplyToHandler(BMessage* reply, const BHandler* replyTo = nullptr, bigtime_t timeout = kInfinite);
	bool HasSpecifiers() const;
	[[nodiscard]] status_t CurrentSpecifier(int32* index, BMessage* specifier = nullptr, uint32* command = nullptr,
		BString* property = nullptr) const;
	[[nodiscard]] status_t DropSpecifier();
	bool HasDropPoint() const;

	// -1, 0 or 1; fields compared in creation order, nested messages recursively.
	int32 Compare(const BMessage& other, bool compareWhat) const;

	// The printable form: a "BMessage(...) {" line, the delivery and field lines
	// indented by depth + 1 tabs, and depth tabs and "}" without a line end.
	// A null stream receives nothing.
	void Dump(BDataIO* stream, int32 depth = 0) const;

	// The compact flattened form, without delivery record.
	int32 FlattenedSize() const;
	// kBadValue when the buffer is smaller than FlattenedSize.
	[[nodiscard]] status_t Flatten(void* buffer, int32 size) const;
	// Reads `available` bytes of untrusted data in either format and byte order;
	// on failure the message is cleared. Atom fields are refused.
	[[nodiscard]] status_t Unflatten(const void* buffer, size_t available);

	// The flattened form in either layout, written into the body's header area
	// when it is free. The result must be released with ReleaseFlattenResult.
	[[nodiscard]] status_t Flatten(BPrivate::FlattenResult* result, bool fixedLayout, bool withDeliveryRecord) const;
	const BPrivate::BMessageRecord& DeliveryRecord() const { return fRecord; }
	void SetDeliveryRecord(const BPrivate::BMessageRecord& record) { fRecord = record; }
	int32 FieldCount() const { return fBody == nullptr ? 0 : fBody->FieldCount(); }
	const BMessageBody* Body() const { return fBody; }

	uint32 what;

private:
	friend class BMessageQueue;
	friend class BMessenger;

	// The last step of every send: a heap copy with a new delivery record and
	// time goes to the target. kNoMemory without memory for the copy, -1
	// without a target (delivery between teams is not provided). *handedOver
	// says whether the target received the copy: it then owns the copy and
	// whatever reply the copy owes, queued or not. Direct delivery never
	// blocks, so the send's timeout does not come this far.
	[[nodiscard]] status_t DeliverCopy(BPrivate::BDirectMessageTarget* target, bigtime_t when, int32 handlerToken,
		const BMessenger& returnTo, uint32 flags, bool* handedOver) const;
	void MarkReplySent();
	// The 'NONE' reply owed by a message that goes away unanswered.
	void SendAutomaticReply();

	BPrivate::BMessageInfo Info() const;
	void TakeInfo(const BPrivate::BMessageInfo& info);
	void CopyFrom(const BMessage& other);
	[[nodiscard]] status_t MakeBodyPrivate();
	// A new item of `size` bytes for the caller to fill; a body made for it
	// goes again when the item cannot be added.
	[[nodiscard]] status_t AddItem(const char* name, type_code type, int32 size, bool fixedSize, uint8** item);
	// Unflattens an item of one of this process's bodies (atom references kept).
	[[nodiscard]] status_t UnflattenItem(const void* item, uint32 size);
	// The item at the index of the named field: kBadIndex, kNameNotFound or the body's status.
	[[nodiscard]] status_t FindItem(const char* name, int32 index, BPrivate::BMessageField* field, uint32* itemSize) const;
	bool HasFieldOfType(const char* name, type_code type) const;
	int32 CompareNested(const BMessage& other, bool compareWhat, int32 depth) const;
	void DumpItem(BDataIO* stream, const BPrivate::BMessageField& field, int32 index, int32 depth) const;

	virtual void _ReservedMessage1();
	virtual void _ReservedMessage2();
	virtual void _ReservedMessage3();

	BMessage* fNext = nullptr;
	BMessage* fPrevious = nullptr;
	bigtime_t fWhen = 0;
	int32 fCurrentSpecifier = -1;
	BMessageBody* fBody = nullptr;
	BPrivate::BMessageRecord fRecord;
	bool fHasWhen = false;
	uint32 fDestroyedMark = 0;
};
