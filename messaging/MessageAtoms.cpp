// Atom items take and give up their references through BAtom.
#include "messaging/MessageAtoms.h"

#include "messaging/MessageBody.h"
#include "support/Atom.h"

#include <cstring>

namespace BPrivate {

namespace {

BAtom* AtomOf(const uint8* item)
{
	BAtom* atom;
	std::memcpy(&atom, item, sizeof(atom));
	return atom;
}

}  // namespace

// A null address holds no reference.
void AcquireAtomItem(type_code type, const uint8* item, void* holder)
{
	BAtom* atom = AtomOf(item);
	if (atom == nullptr)
		return;
	if (type == kAtomType)
		atom->TryAcquireStrong(holder);
	else
		atom->AcquireWeak(holder);
}

void ReleaseAtomItem(type_code type, const uint8* item, void* holder)
{
	BAtom* atom = AtomOf(item);
	if (atom == nullptr)
		return;
	if (type == kAtomType)
		atom->ReleaseStrong(holder);
	else
		atom->ReleaseWeak(holder);
}

}  // namespace BPrivate
