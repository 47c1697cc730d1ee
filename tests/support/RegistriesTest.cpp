// The resource factory and resources registries: their create, present and
// destroy cycle, and the order in which teardown releases what they own.
#include "support/ResourceFactory.h"
#include "support/Resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> sDestroyed;

class RecordedObject : public BPrivate::ResourceObject {
public:
	explicit RecordedObject(std::string name) : fName(std::move(name)) {}
	~RecordedObject() override { sDestroyed.push_back(fName); }

private:
	std::string fName;
};

class RecordedAtom : public BAtom {
public:
	explicit RecordedAtom(std::string name) : fName(std::move(name)) {}
	~RecordedAtom() override { sDestroyed.push_back(fName); }

private:
	std::string fName;
};

TEST(ResourceRegistries, CreatePresentDestroyCycle)
{
	EXPECT_EQ(ResourceFactoryRegistryPresent(), kError);
	EXPECT_EQ(ResourcesRegistryPresent(), kError);
	for (int round = 0; round < 2; round++) {
		ASSERT_EQ(CreateResourceFactoryRegistry(), kOk);
		ASSERT_EQ(CreateResourcesRegistry(), kOk);
		BResourceFactory* factory = gResourceFactory;
		BPrivate::ResourcesRegistry* resources = gResources;
		EXPECT_EQ(ResourceFactoryRegistryPresent(), kOk);
		EXPECT_EQ(ResourcesRegistryPresent(), kOk);
		// Creating again keeps the registry there is.
		EXPECT_EQ(CreateResourceFactoryRegistry(), kOk);
		EXPECT_EQ(CreateResourcesRegistry(), kOk);
		EXPECT_EQ(gResourceFactory, factory);
		EXPECT_EQ(gResources, resources);
		EXPECT_EQ(factory->Factories()->CountItems(), 0);
		EXPECT_TRUE(resources->Entries()->IsEmpty());
		EXPECT_TRUE(resources->Access().Lock());
		resources->Access().Unlock();

		DestroyResourceFactoryRegistry();
		DestroyResourcesRegistry();
		EXPECT_EQ(gResourceFactory, nullptr);
		EXPECT_EQ(gResources, nullptr);
		EXPECT_EQ(ResourceFactoryRegistryPresent(), kError);
		EXPECT_EQ(ResourcesRegistryPresent(), kError);
	}
	DestroyResourceFactoryRegistry();
	DestroyResourcesRegistry();
}

BResourceFactorySpace::Entry* MakeEntry(const char* name, BAtom* weakTarget)
{
	return new BResourceFactorySpace::Entry(BString(name),
		BResourceFactorySpace::WeakLink::Create(weakTarget), new RecordedAtom(name));
}

TEST(ResourceRegistries, FactoryTeardownReleasesEntriesBeforeEachFactorysObject)
{
	sDestroyed.clear();
	sptr<RecordedAtom> watched(new RecordedAtom("watched"));
	int32 weakBefore = watched->WeakCount();
	ASSERT_EQ(CreateResourceFactoryRegistry(), kOk);
	BVector<BResourceFactorySpace::Factory*>* factories = gResourceFactory->Factories();
	for (int f = 0; f < 2; f++) {
		std::string name = "factory" + std::to_string(f);
		auto* factory = new BResourceFactorySpace::Factory(new RecordedObject(name));
		factory->entries.AddItem(MakeEntry((name + ".entry0").c_str(), watched.Get()));
		factory->entries.AddItem(MakeEntry((name + ".entry1").c_str(), watched.Get()));
		factories->AddItem(factory);
	}
	// A link shared by two holders drops its weak reference only with the last one.
	BResourceFactorySpace::WeakLink* shared = factories->ItemAt(0)->entries.ItemAt(0)->link;
	shared->Acquire();
	EXPECT_EQ(watched->WeakCount(), weakBefore + 4);

	DestroyResourceFactoryRegistry();
	EXPECT_EQ(sDestroyed, (std::vector<std::string>{"factory0.entry0", "factory0.entry1", "factory0",
		"factory1.entry0", "factory1.entry1", "factory1"}));
	EXPECT_EQ(watched->WeakCount(), weakBefore + 1);
	shared->Release();
	EXPECT_EQ(watched->WeakCount(), weakBefore);
}

TEST(ResourceRegistries, ResourcesTeardownFreesEntriesThenObjects)
{
	sDestroyed.clear();
	ASSERT_EQ(CreateResourcesRegistry(), kOk);
	for (int i = 0; i < 2; i++) {
		auto* entry = new BPrivate::ResourceEntry;
		std::string name = "entry" + std::to_string(i);
		entry->first = new RecordedObject(name + ".first");
		entry->second = new RecordedObject(name + ".second");
		entry->name = BString(name.c_str());
		ASSERT_TRUE(gResources->Entries()->AddItem(entry));
	}
	ASSERT_TRUE(gResources->Objects()->AddItem(new RecordedObject("object0")));
	ASSERT_TRUE(gResources->Objects()->AddItem(new RecordedObject("object1")));

	DestroyResourcesRegistry();
	EXPECT_EQ(sDestroyed, (std::vector<std::string>{"entry0.first", "entry0.second", "entry1.first",
		"entry1.second", "object0", "object1"}));
}

}  // namespace
