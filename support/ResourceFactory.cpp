// BResourceFactory: creation and the ordered teardown of factories and entries.
#include "support/ResourceFactory.h"

#include "support/ProcessService.h"

#include <new>

BResourceFactory* gResourceFactory = nullptr;

namespace BPrivate {

ResourceObject::~ResourceObject() = default;

}  // namespace BPrivate

namespace BResourceFactorySpace {

WeakLink* WeakLink::Create(BAtom* atom)
{
	WeakLink* link = new (std::nothrow) WeakLink(atom);
	if (link != nullptr && atom != nullptr)
		atom->AcquireWeak(link);
	return link;
}

void WeakLink::Acquire()
{
	fCount.fetch_add(1, std::memory_order_relaxed);
}

void WeakLink::Release()
{
	if (fCount.fetch_sub(1, std::memory_order_acq_rel) != 1)
		return;
	if (fAtom != nullptr)
		fAtom->ReleaseWeak(this);
	delete this;
}

Entry::Entry(const BString& entryName, WeakLink* entryLink, BAtom* entryAtom)
	: name(entryName),
	  link(entryLink),
	  atom(entryAtom)
{
}

Entry::~Entry()
{
	atom.Clear();
	if (link != nullptr)
		link->Release();
}

Factory::~Factory()
{
	for (int32 i = 0; i < entries.CountItems(); i++)
		delete entries.ItemAt(i);
	entries.MakeEmpty();
	delete object;
}

}  // namespace BResourceFactorySpace

BResourceFactory::BResourceFactory()
	: fFactories(new (std::nothrow) BVector<BResourceFactorySpace::Factory*>())
{
}

BResourceFactory::~BResourceFactory()
{
	if (fFactories == nullptr)
		return;
	for (int32 i = 0; i < fFactories->CountItems(); i++)
		delete fFactories->ItemAt(i);
	fFactories->MakeEmpty();
	delete fFactories;
}

status_t CreateResourceFactoryRegistry()
{
	return BPrivate::CreateProcessService(&gResourceFactory);
}

status_t ResourceFactoryRegistryPresent()
{
	return gResourceFactory != nullptr ? kOk : kError;
}

void DestroyResourceFactoryRegistry()
{
	BPrivate::DestroyProcessService(&gResourceFactory);
}
