// Atom items take and give up their references through BAtom.
#include "messaging/MessageAtoms.h"

#include "messaging/MessageBody.h"

namespace BPrivate {

// PENDING: BAtom is not in the tree yet.
void AcquireAtomItem(type_code, const uint8*, void*)
{
}

void ReleaseAtomItem(type_code, const uint8*, void*)
{
}

}  // namespace BPrivate
