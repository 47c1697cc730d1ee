// BAtom: counter headers, the per-thread pending list and the two counts.
#include "support/Atom.h"

#include "kernel/DebuggerHook.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// In front of every atom's block. On 32-bit Windows these are four 32-bit
// words (16 bytes); on 64-bit the link and size words are pointer-sized and the
// header is padded to 32 bytes, so that the object after it keeps the
// 16-byte alignment that the heap gives.
struct alignas(2 * sizeof(void*)) BAtom::Header {
	std::atomic<int32> strong;
	std::atomic<int32> weak;
	// While pending: the thread's next pending block with bit 0 set, or 0 at the
	// end of the list. Once constructed: the address of the BAtom part.
	uintptr_t link;
	// While pending: the block size. 0 while the object lives; the size given to
	// the delete operator once the object has been destroyed.
	std::atomic<uintptr_t> size;
};

namespace {

constexpr uintptr_t kPendingLink = 1;

// The slot is allocated on first use, which may come from static initialisation
// in any unit; the function-local static makes that race-free.
DWORD PendingSlot()
{
	static const DWORD slot = TlsAlloc();
	return slot;
}

}  // namespace

namespace BPrivate {

// The pending list's accessors, kept out of the class so that the header type
// stays private to this file.
struct AtomPendingList {
	typedef BAtom::Header Header;
	static_assert(sizeof(void*) != 4 || sizeof(Header) == 16, "the 32-bit header is four words");

	static Header* Head() { return static_cast<Header*>(TlsGetValue(PendingSlot())); }
	static void SetHead(Header* head) { TlsSetValue(PendingSlot(), head); }
	static Header* Next(const Header* block) { return reinterpret_cast<Header*>(block->link & ~kPendingLink); }
	static uintptr_t LinkTo(Header* next) { return next == nullptr ? 0 : reinterpret_cast<uintptr_t>(next) | kPendingLink; }

	static void Push(Header* block)
	{
		block->link = LinkTo(Head());
		SetHead(block);
	}

	static bool Contains(const Header* block, const void* address)
	{
		const char* start = reinterpret_cast<const char*>(block);
		const char* at = static_cast<const char*>(address);
		return at >= start && at < start + block->size.load(std::memory_order_relaxed);
	}

	static void Unlink(Header* block, Header* previous)
	{
		if (previous == nullptr)
			SetHead(Next(block));
		else
			previous->link = block->link;
	}

	// The pending block that holds the object at `address`, taken off the list.
	static Header* Take(const void* address)
	{
		Header* previous = nullptr;
		for (Header* block = Head(); block != nullptr; previous = block, block = Next(block)) {
			if (Contains(block, address)) {
				Unlink(block, previous);
				return block;
			}
		}
		return nullptr;
	}

	// A block whose construction never reached its BAtom part (a constructor
	// in front of it failed) is still on the list and must leave it.
	static void Drop(Header* dropped)
	{
		Header* previous = nullptr;
		for (Header* block = Head(); block != nullptr; previous = block, block = Next(block)) {
			if (block != dropped)
				continue;
			if (previous == nullptr)
				std::printf("Unlinking %p from top!\n", static_cast<void*>(block));
			else
				std::printf("Unlinking %p from %p!\n", static_cast<void*>(block), static_cast<void*>(previous));
			std::fflush(stdout);
			Unlink(block, previous);
			return;
		}
	}
};

}  // namespace BPrivate

using BPrivate::AtomPendingList;

void* BAtom::operator new(size_t size) noexcept
{
	if (size > SIZE_MAX - sizeof(Header))
		return nullptr;
	void* memory = std::malloc(sizeof(Header) + size);
	if (memory == nullptr)
		return nullptr;
	Header* block = new (memory) Header;
	block->strong.store(kNeverAcquired, std::memory_order_relaxed);
	block->weak.store(0, std::memory_order_relaxed);
	block->size.store(sizeof(Header) + size, std::memory_order_relaxed);
	AtomPendingList::Push(block);
	return block + 1;
}

void* BAtom::operator new(size_t size, const std::nothrow_t&) noexcept
{
	return operator new(size);
}

void BAtom::operator delete(void* object, size_t size) noexcept
{
	if (object == nullptr)
		return;
	Header* block = static_cast<Header*>(object) - 1;
	bool constructed = block->link != 0 && (block->link & kPendingLink) == 0;
	if (!constructed) {
		AtomPendingList::Drop(block);
		block->~Header();
		std::free(block);
		return;
	}
	// Marking the block destroyed and then dropping a weak reference of our
	// own hands the memory to whoever releases the last weak reference: this
	// call when there is none, a weak holder otherwise. Checking the count
	// first instead would race with a concurrent last release.
	block->weak.fetch_add(1, std::memory_order_relaxed);
	block->size.store(size != 0 ? size : sizeof(BAtom), std::memory_order_release);
	ReleaseWeakOf(block, nullptr);
}

BAtom::BAtom()
	: fHeader(AtomPendingList::Take(this))
{
	if (fHeader == nullptr) {
		DebuggerHook("BAtom constructed outside its allocation operator!");
		return;
	}
	fHeader->link = reinterpret_cast<uintptr_t>(this);
	fHeader->size.store(0, std::memory_order_relaxed);
}

BAtom::~BAtom() = default;

void BAtom::AcquireStrong()
{
	fHeader->weak.fetch_add(1, std::memory_order_relaxed);
	int32 previous = fHeader->strong.fetch_add(1, std::memory_order_relaxed);
	if (previous == kNeverAcquired) {
		fHeader->strong.fetch_sub(kNeverAcquired, std::memory_order_relaxed);
		OnFirstStrong();
	}
}

int32 BAtom::ReleaseStrong(const void* id)
{
	// The header outlives the object: the weak release below runs after a
	// possible delete.
	Header* header = fHeader;
	int32 previous = header->strong.fetch_sub(1, std::memory_order_acq_rel);
	if (previous == 1 && OnLastStrong(id) == kOk)
		delete this;
	ReleaseWeakOf(header, id);
	return previous;
}

int32 BAtom::TryAcquireStrong(const void* id)
{
	Header* header = fHeader;
	header->weak.fetch_add(1, std::memory_order_relaxed);
	int32 previous = header->strong.fetch_add(1, std::memory_order_acq_rel);
	if (previous == kNeverAcquired) {
		header->strong.fetch_sub(kNeverAcquired, std::memory_order_relaxed);
		OnFirstStrong();
		return 0;
	}
	if (previous != 0)
		return previous;
	// Every strong reference had gone: the object is dead or dying, so give
	// back what was taken and say that nothing is held.
	header->strong.fetch_sub(1, std::memory_order_relaxed);
	ReleaseWeakOf(header, id);
	return kNotAllowed;
}

int32 BAtom::AcquireWeak(const void*)
{
	return fHeader->weak.fetch_add(1, std::memory_order_relaxed);
}

int32 BAtom::ReleaseWeak(const void* id)
{
	return ReleaseWeakOf(fHeader, id);
}

int32 BAtom::ReleaseWeakOf(Header* header, const void* id)
{
	int32 previous = header->weak.fetch_sub(1, std::memory_order_acq_rel);
	if (previous != 1)
		return previous;
	if (header->size.load(std::memory_order_acquire) != 0) {
		header->~Header();
		std::free(header);
		return previous;
	}
	BAtom* object = reinterpret_cast<BAtom*>(header->link);
	if (object->OnLastWeak(id) == kOk)
		delete object;
	return previous;
}

int32 BAtom::StrongCount() const
{
	return fHeader->strong.load(std::memory_order_relaxed);
}

int32 BAtom::WeakCount() const
{
	return fHeader->weak.load(std::memory_order_relaxed);
}

void BAtom::OnFirstStrong()
{
}

status_t BAtom::OnLastStrong(const void*)
{
	return kOk;
}

status_t BAtom::OnStrongAfterZero(int32 flags, const void*)
{
	return (flags & 1) != 0 ? kOk : kNotAllowed;
}

status_t BAtom::OnLastWeak(const void*)
{
	return kOk;
}
