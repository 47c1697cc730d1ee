// BAtom: the base of every object whose lifetime follows strong and weak
// reference counts.
//
// A BAtom lives in a heap block made by its own allocation operator: a counter
// header (strong count, weak count, link, size) followed by the object. The
// object dies when its last strong reference goes (unless OnLastStrong keeps
// it); its memory stays readable until the last weak reference goes, so a weak
// holder may still call ReleaseWeak on a destroyed object. Every strong
// reference also holds a weak one.
//
// Each thread keeps a list of blocks that are allocated but whose BAtom part is
// not yet constructed; the constructor looks its header up there by address,
// which works when the BAtom part sits inside a larger object and when
// allocations nest (an atom allocated while another's constructor arguments
// are evaluated). An atom that is not made by the allocation operator (on the
// stack, as a member) has no header and must not be counted.
//
// Counts change only by atomic add: any thread may acquire and release.
#pragma once

#include "support/SupportDefs.h"

#include <atomic>
#include <new>

namespace BPrivate {
struct AtomPendingList;
}

class BAtom {
public:
	// The strong count of a constructed atom that was never acquired.
	static constexpr int32 kNeverAcquired = 0x10000000;

	// Null when memory is exhausted; the new-expression then skips the construction.
	static void* operator new(size_t size) noexcept;
	static void* operator new(size_t size, const std::nothrow_t&) noexcept;
	static void operator delete(void* object, size_t size) noexcept;

	BAtom();
	virtual ~BAtom();

	BAtom(const BAtom&) = delete;
	BAtom& operator=(const BAtom&) = delete;

	void AcquireStrong();
	// Returns the strong count before the release. May delete the object.
	int32 ReleaseStrong(const void* id = nullptr);
	// 0 on the first acquisition, the previous strong count when the object was
	// already held, kNotAllowed (holding nothing) once every strong reference had gone.
	int32 TryAcquireStrong(const void* id = nullptr);
	// Both return the weak count before the change. The last release frees the
	// memory of a destroyed object or, while it lives, asks OnLastWeak.
	int32 AcquireWeak(const void* id = nullptr);
	int32 ReleaseWeak(const void* id = nullptr);

	int32 StrongCount() const;
	int32 WeakCount() const;

protected:
	// Once, when the strong count first leaves kNeverAcquired.
	virtual void OnFirstStrong();
	// When the strong count drops from 1 to 0; 0 lets the object be deleted.
	[[nodiscard]] virtual status_t OnLastStrong(const void* id);
	// For a strong acquisition after the count reached 0: 0 when bit 0 of flags is set.
	[[nodiscard]] virtual status_t OnStrongAfterZero(int32 flags, const void* id);
	// When the weak count drops from 1 to 0 while the object lives; 0 lets it be deleted.
	[[nodiscard]] virtual status_t OnLastWeak(const void* id);

private:
	friend struct BPrivate::AtomPendingList;
	struct Header;

	static int32 ReleaseWeakOf(Header* header, const void* id);

	Header* fHeader;
};
