// The process-wide registry of loaded resources, guarded by "BResources::mAccess".
//
// Like the factory registry it is created and destroyed by the application
// object and stays empty in this system. Teardown frees the entries of the
// first list (each with its two objects and its name), then deletes the
// objects of the second list, then frees both lists and the lock.
// Created, destroyed and inspected on the application's thread.
#pragma once

#include "support/List.h"
#include "support/ResourceFactory.h"

namespace BPrivate {

// An element of the registry's first list; owns both objects.
struct ResourceEntry {
	ResourceObject* first = nullptr;
	ResourceObject* second = nullptr;
	BString name;
};

class ResourcesRegistry {
public:
	ResourcesRegistry();
	~ResourcesRegistry();

	ResourcesRegistry(const ResourcesRegistry&) = delete;
	ResourcesRegistry& operator=(const ResourcesRegistry&) = delete;

	// Null when the lists could not be allocated.
	bool IsComplete() const { return fEntries != nullptr && fObjects != nullptr; }
	// Items are ResourceEntry*, owned by the registry.
	BList* Entries() { return fEntries; }
	// Items are ResourceObject*, owned by the registry.
	BList* Objects() { return fObjects; }
	BLocker& Access() { return mAccess; }

private:
	BList* fEntries;
	BList* fObjects;
	BLocker mAccess;
};

}  // namespace BPrivate

extern BPrivate::ResourcesRegistry* gResources;

// 0 when the registry exists (already or now), kNoMemory when it cannot be made.
[[nodiscard]] status_t CreateResourcesRegistry();
// 0 when the registry exists, -1 otherwise.
[[nodiscard]] status_t ResourcesRegistryPresent();
void DestroyResourcesRegistry();
