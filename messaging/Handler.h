// BHandler: an object that receives messages.
//
// A handler has a type-1 token (its address for messengers), an optional name,
// at most one looper that runs it, an optional next handler for what it does
// not take, its own message filters, the observers of its state changes and a
// scripting interface. Everything that changes its filters, next handler or
// observers runs with its looper locked; the validity atom may be read from
// any thread.
#pragma once
#include "messaging/Archivable.h"
#include "messaging/MessageCodes.h"
#include "messaging/PropertyInfo.h"
#include "messaging/TokenSpace.h"
#include "support/Atom.h"
#include "support/String.h"
#include "support/StrongPointer.h"

#include <atomic>

class BList;
class BLooper;
class BMessage;
class MessageFilter;

namespace BPrivate {
class _ObserverList;
}

class BHandler : public BArchivable {
public:
	// Whether the handler still has a looper, and whether it still exists at
	// all; shared with whoever needs to know that later without touching the
	// handler (a walk whose hooks may delete what it walks over).
	class ValidAtom : public BAtom {
	public:
		bool IsValid() const { return fValid.load(std::memory_order_acquire); }
		bool IsAlive() const { return fAlive.load(std::memory_order_acquire); }

	private:
		friend class BHandler;
		// Written by the looper's thread, read by any.
		std::atomic<bool> fValid{true};
		std::atomic<bool> fAlive{true};
	};

	explicit BHandler(const char* name = nullptr);
	explicit BHandler(const BString& name);
	~BHandler() override;

	BHandler(const BHandler&) = delete;
	BHandler& operator=(const BHandler&) = delete;

	[[nodiscard]] status_t Archive(BMessage* archive, bool deep = true) const override;

	virtual void HandleMessage(BMessage* message);
	virtual void SetNextHandler(BHandler* next);
	virtual void AddFilter(MessageFilter* filter);
	virtual bool RemoveFilter(MessageFilter* filter);
	// Takes over a BList of MessageFilter*, destroying the old filters.
	virtual void SetFilterList(BList* filters);
	virtual BHandler* ResolveSpecifier(BMessage* message, int32 index, BMessage* specifier, int32 form,
		const char* property);
	[[nodiscard]] virtual status_t AddSuitesToReply(BMessage* reply);
	virtual void NotifyObservers(uint32 what, const BMessage* message);

	BLooper* Looper() const { return fLooper; }
	const BString& Name() const { return fName; }
	BHandler* NextHandler() const { return fNextHandler; }
	BList* FilterList() const { return fFilters; }
	token_t Token() const { return fToken; }
	const sptr<ValidAtom>& Validity() const { return fValidity; }

protected:
	void SetName(const BString& name) { fName = name; }

private:
	friend class BLooper;
	// Only the looper's AddHandler and RemoveHandler attach and detach.
	void SetLooper(BLooper* looper);

	void StartObserving(const BMessage* message);
	void StopObserving(const BMessage* message);
	// Answers a 'PGET' this handler knows; false for any other property.
	bool AnswerProperty(BMessage* message);
	void AnswerSuites(BMessage* message);
	// What no hook took: the next handler, or a 'MNOT' reply when one is due.
	void HandleUnclaimed(BMessage* message);
	void ReplyDropped(BMessage* message);
	// False, after reporting `report`, when the handler's looper is not locked
	// by the caller; a handler without a looper needs no lock.
	bool LooperLockedFor(const char* report) const;
	void DeleteOwnFilters();

	virtual void _ReservedHandler1();
	virtual void _ReservedHandler2();
	virtual void _ReservedHandler3();
	virtual void _ReservedHandler4();
	virtual void _ReservedHandler5();
	virtual void _ReservedHandler6();

	token_t fToken;
	BString fName;
	BLooper* fLooper = nullptr;
	BHandler* fNextHandler = nullptr;
	BList* fFilters = nullptr;
	BPrivate::_ObserverList* fObservers = nullptr;
	sptr<ValidAtom> fValidity;
};

// Observer protocol fields.
constexpr uint32 kObserveAllCodes = 0xFFFFFFFFu;
constexpr char kObserveTargetField[] = "be:observe_target";
constexpr char kObserveChangeField[] = "be:observe_change_what";
constexpr char kObserveOriginalField[] = "be:observe_orig_what";

// Further specifier forms; the direct, index and reverse-index forms come with
// BPropertyInfo.
constexpr uint32 kNameSpecifier = 6;
constexpr uint32 kIdSpecifier = 7;
