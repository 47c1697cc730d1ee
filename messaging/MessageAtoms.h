// The references that ATOM (strong) and ATMR (weak) items of a body hold.
//
// Each item holds the address of a BAtom; the body that holds the item is the
// holder id passed to the atom.
#pragma once

#include "support/SupportDefs.h"

namespace BPrivate {

void AcquireAtomItem(type_code type, const uint8* item, void* holder);
void ReleaseAtomItem(type_code type, const uint8* item, void* holder);

}  // namespace BPrivate
