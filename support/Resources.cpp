// The resources registry: creation and its ordered teardown.
#include "support/Resources.h"

#include "support/ProcessService.h"

#include <new>

BPrivate::ResourcesRegistry* gResources = nullptr;

namespace BPrivate {

ResourcesRegistry::ResourcesRegistry()
	: fEntries(new (std::nothrow) BList()),
	  fObjects(new (std::nothrow) BList()),
	  mAccess("BResources::mAccess")
{
}

ResourcesRegistry::~ResourcesRegistry()
{
	if (fEntries != nullptr) {
		for (int32 i = 0; i < fEntries->CountItems(); i++) {
			ResourceEntry* entry = static_cast<ResourceEntry*>(fEntries->ItemAtFast(i));
			delete entry->first;
			delete entry->second;
			delete entry;
		}
		fEntries->MakeEmpty();
	}
	if (fObjects != nullptr) {
		for (int32 i = 0; i < fObjects->CountItems(); i++)
			delete static_cast<ResourceObject*>(fObjects->ItemAtFast(i));
		fObjects->MakeEmpty();
	}
	delete fEntries;
	delete fObjects;
}

}  // namespace BPrivate

status_t CreateResourcesRegistry()
{
	return BPrivate::CreateProcessService(&gResources);
}

status_t ResourcesRegistryPresent()
{
	return gResources != nullptr ? kOk : kError;
}

void DestroyResourcesRegistry()
{
	BPrivate::DestroyProcessService(&gResources);
}
