// The process-wide services that the application object makes as it starts
// and destroys with it: the clipboard, the resource registries, the drag
// message's lock. Each lives in one global pointer, null while there is none.
//
// Made, destroyed and replaced on the application's thread only; other
// threads may read the pointer while the application lives.
#pragma once

#include "support/SupportDefs.h"

#include <new>

namespace BPrivate {

// A service whose parts could not all be allocated says so through
// IsComplete(); one without that operation is complete once constructed.
template <typename Service>
auto ServiceIsComplete(const Service& service, int) -> decltype(service.IsComplete())
{
	return service.IsComplete();
}

template <typename Service>
bool ServiceIsComplete(const Service&, long)
{
	return true;
}

// 0 when the service exists (already or now), kNoMemory when it cannot be made.
template <typename Service>
[[nodiscard]] status_t CreateProcessService(Service** slot)
{
	if (*slot != nullptr)
		return kOk;
	Service* service = new (std::nothrow) Service();
	if (service == nullptr || !ServiceIsComplete(*service, 0)) {
		delete service;
		return kNoMemory;
	}
	*slot = service;
	return kOk;
}

template <typename Service>
void DestroyProcessService(Service** slot)
{
	delete *slot;
	*slot = nullptr;
}

}  // namespace BPrivate
