// BPrivate::BDirectMessageTarget: the reference count every target shares.
#include "messaging/DirectMessageTarget.h"

namespace BPrivate {

bool BDirectMessageTarget::Acquire()
{
	fReferences.fetch_add(1, std::memory_order_relaxed);
	return true;
}

void BDirectMessageTarget::Release()
{
	if (fReferences.fetch_sub(1, std::memory_order_acq_rel) == 1)
		delete this;
}

}  // namespace BPrivate
