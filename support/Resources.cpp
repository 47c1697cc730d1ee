// The resources registry: creation and its ordered teardown.
#include "support/Resources.h"

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
	if (gResources != nullptr)
		return kOk;
	BPrivate::ResourcesRegistry* registry = new (std::nothrow) BPrivate::ResourcesRegistry();
	if (registry == nullptr || !registry->IsComplete()) {
		delete registry;
		return kNoMemory;
	}
	gResources = registry;
	return kOk;
}

status_t ResourcesRegistryPresent()
{
	return gResources != nullptr ? kOk : kError;
}

void DestroyResourcesRegistry()
{
	delete gResources;
	gResources = nullptr;
}
