// BResourceFactory: the process-wide registry of resource factories.
//
// The application object creates the registry while it is constructed and
// destroys it when it is destroyed; nothing in this system registers a
// factory, so it stays empty. Teardown releases every factory's entries in
// index order before the factory's own object, factory by factory.
// Created, destroyed and inspected on the application's thread.
#pragma once

#include "support/Locker.h"
#include "support/StrongPointer.h"
#include "support/String.h"
#include "support/Vector.h"

#include <atomic>

namespace BPrivate {

// The base of the objects the registries own and delete through it.
class ResourceObject {
public:
	virtual ~ResourceObject();
};

}  // namespace BPrivate

namespace BResourceFactorySpace {

// A weak reference to an atom that several holders share: the last holder's
// release drops the weak reference and frees the link.
class WeakLink {
public:
	// Takes one weak reference on the atom; null when memory is exhausted.
	static WeakLink* Create(BAtom* atom);

	void Acquire();
	void Release();
	BAtom* Atom() const { return fAtom; }

private:
	explicit WeakLink(BAtom* atom) : fAtom(atom) {}

	std::atomic<int32> fCount{1};
	BAtom* fAtom;
};

// A resource made by a factory. Owns its link (one share of it) and its reference.
struct Entry {
	Entry(const BString& name, WeakLink* link, BAtom* atom);
	// Releases the strong reference, then the link, then the record.
	~Entry();

	Entry(const Entry&) = delete;
	Entry& operator=(const Entry&) = delete;

	BString name;
	WeakLink* link;
	sptr<BAtom> atom;
};

// A factory: its own object and the entries it made, both owned.
struct Factory {
	explicit Factory(BPrivate::ResourceObject* owned) : object(owned) {}
	// Frees the entries in index order, then deletes the object.
	~Factory();

	Factory(const Factory&) = delete;
	Factory& operator=(const Factory&) = delete;

	BPrivate::ResourceObject* object;
	BVector<Entry*> entries;
};

}  // namespace BResourceFactorySpace

class BResourceFactory {
public:
	BResourceFactory();
	// Frees the factories in index order, then the vector; the lock goes last.
	virtual ~BResourceFactory();

	BResourceFactory(const BResourceFactory&) = delete;
	BResourceFactory& operator=(const BResourceFactory&) = delete;

	// Null when the vector could not be allocated.
	BVector<BResourceFactorySpace::Factory*>* Factories() { return fFactories; }
	bool IsComplete() const { return fFactories != nullptr; }
	BLocker& Locker() { return fLock; }

private:
	BLocker fLock;
	BVector<BResourceFactorySpace::Factory*>* fFactories;
	int32 fReserved = 0;
};

extern BResourceFactory* gResourceFactory;

// 0 when the registry exists (already or now), kNoMemory when it cannot be made.
[[nodiscard]] status_t CreateResourceFactoryRegistry();
// 0 when the registry exists, -1 otherwise.
[[nodiscard]] status_t ResourceFactoryRegistryPresent();
void DestroyResourceFactoryRegistry();
