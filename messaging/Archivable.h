// BArchivable: the base of objects that can write themselves into a message.
//
// It has no state. Subclasses add their fields to the archive after the base
// class's; the virtual table keeps its reserved entries after the real
// operations, so that later operations can be added without moving them.
#pragma once

#include "support/SupportDefs.h"

class BMessage;

class BArchivable {
public:
	BArchivable() = default;
	virtual ~BArchivable();

	// Adds the object's fields to `archive`; with `deep`, owned children too.
	[[nodiscard]] virtual status_t Archive(BMessage* archive, bool deep = true) const;
	// The extension entry for operations added later; nothing answers to it yet.
	[[nodiscard]] virtual status_t Perform(uint32 code, void* argument);

private:
	virtual void _ReservedArchivable1();
	virtual void _ReservedArchivable2();
	virtual void _ReservedArchivable3();
};
