// BTokenSpace: blocks of entries allocated on demand, a free list reused
// oldest first, and generations that retire stale tokens.
#include "messaging/TokenSpace.h"

#include "kernel/DebuggerHook.h"
#include "messaging/DirectMessageTarget.h"
#include "support/DebugDataIO.h"
#include "support/DebugFormat.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr int32 kBlockCount = 256;
constexpr int32 kEntriesPerBlock = 256;
constexpr uint16 kGenerationMask = 0x7FFF;
constexpr int16 kUnusedEntry = -1;

int32 EntryIndex(token_t token)
{
	return token & 0xFFFF;
}

uint16 Generation(token_t token)
{
	return static_cast<uint16>((token >> 16) & kGenerationMask);
}

token_t MakeToken(uint16 generation, int32 index)
{
	return static_cast<token_t>((static_cast<uint32>(generation) << 16) | static_cast<uint32>(index));
}

void ReportBadToken(const char* what, token_t token)
{
	BPrivate::DebugOut(gTokenOut) << what << BPrivate::Hex32{static_cast<uint32>(token)} << BPrivate::kEndLine;
}

}  // namespace

struct BTokenSpace::Entry {
	int16 type;
	uint16 generation;
	// The object; in a freed entry, the next freed token (-1 at the end).
	void* object;
	BPrivate::BDirectMessageTarget* target;
};

// Ahead of ordinary static objects, so that static handlers find it; after the
// diagnostic streams, so that it can report until it is gone.
BTokenSpace gDefaultTokens __attribute__((init_priority(160)));

BTokenSpace::BTokenSpace()
	: fAccess("token BTokenSpace::fAccess"),
	  fFreeHead(kNoToken),
	  fFreeTail(kNoToken),
	  fCurrentBlock(-1),
	  fUsedInCurrentBlock(0),
	  fBlocks()
{
}

BTokenSpace::~BTokenSpace()
{
	for (Entry*& block : fBlocks) {
		std::free(block);
		block = nullptr;
	}
}

BTokenSpace::Entry* BTokenSpace::EntryAt(int32 index) const
{
	Entry* block = fBlocks[index / kEntriesPerBlock];
	return block == nullptr ? nullptr : &block[index % kEntriesPerBlock];
}

BTokenSpace::Entry* BTokenSpace::Resolve(token_t token, bool report)
{
	if (token == kNoToken)
		return nullptr;
	if (token < 0) {
		if (report)
			ReportBadToken("Negative token: ", token);
		return nullptr;
	}
	fAccess.Lock();
	Entry* entry = EntryAt(EntryIndex(token));
	if (entry == nullptr) {
		fAccess.Unlock();
		if (report)
			ReportBadToken("Unallocated token: ", token);
		return nullptr;
	}
	// An entry never handed out has generation 0 too: its type tells it apart.
	if (entry->generation != Generation(token) || entry->type == kUnusedEntry) {
		fAccess.Unlock();
		return nullptr;
	}
	return entry;
}

BTokenSpace::Entry* BTokenSpace::TakeFreeEntry(token_t* token)
{
	Entry* entry = EntryAt(EntryIndex(fFreeHead));
	*token = MakeToken(entry->generation, EntryIndex(fFreeHead));
	fFreeHead = static_cast<token_t>(reinterpret_cast<intptr_t>(entry->object));
	if (fFreeHead == kNoToken)
		fFreeTail = kNoToken;
	return entry;
}

BTokenSpace::Entry* BTokenSpace::TakeFreshEntry(token_t* token)
{
	if (fCurrentBlock < 0 || fUsedInCurrentBlock == kEntriesPerBlock) {
		if (fCurrentBlock == kBlockCount - 1)
			return nullptr;
		void* memory = std::malloc(sizeof(Entry) * kEntriesPerBlock);
		if (memory == nullptr)
			return nullptr;
		Entry* block = static_cast<Entry*>(memory);
		for (int32 slot = 0; slot < kEntriesPerBlock; ++slot)
			block[slot] = Entry{kUnusedEntry, 0, nullptr, nullptr};
		fBlocks[++fCurrentBlock] = block;
		fUsedInCurrentBlock = 0;
	}
	int32 index = fCurrentBlock * kEntriesPerBlock + fUsedInCurrentBlock++;
	*token = MakeToken(0, index);
	return EntryAt(index);
}

token_t BTokenSpace::NewToken(int16 type, void* object, TokenNotifyFunction notify)
{
	fAccess.Lock();
	token_t token = kNoToken;
	Entry* entry = fFreeHead != kNoToken ? TakeFreeEntry(&token) : TakeFreshEntry(&token);
	if (entry == nullptr) {
		fAccess.Unlock();
		DebuggerHook("The token space is full.  I will crash now.");
		return kNoToken;
	}
	entry->type = type;
	entry->object = object;
	entry->target = nullptr;
	if (notify != nullptr)
		notify(type, object);
	fAccess.Unlock();
	return token;
}

void BTokenSpace::AppendToFreeList(token_t token)
{
	if (fFreeTail == kNoToken)
		fFreeHead = token;
	else
		EntryAt(EntryIndex(fFreeTail))->object = reinterpret_cast<void*>(static_cast<intptr_t>(token));
	fFreeTail = token;
}

void BTokenSpace::RemoveToken(token_t token, TokenNotifyFunction notify)
{
	Entry* entry = Resolve(token, true);
	if (entry == nullptr)
		return;
	if (notify != nullptr)
		notify(entry->type, entry->object);
	BPrivate::BDirectMessageTarget* oldTarget = entry->target;
	entry->type = kUnusedEntry;
	entry->object = reinterpret_cast<void*>(static_cast<intptr_t>(kNoToken));
	entry->target = nullptr;
	entry->generation = static_cast<uint16>((entry->generation + 1) & kGenerationMask);
	AppendToFreeList(token);
	fAccess.Unlock();
	// Dropped outside the lock: a target's destructor may use the token space.
	if (oldTarget != nullptr)
		oldTarget->Release();
}

bool BTokenSpace::CheckToken(token_t token, int16 type)
{
	Entry* entry = Resolve(token, false);
	if (entry == nullptr)
		return false;
	bool matches = type == kAnyTokenType || entry->type == type;
	fAccess.Unlock();
	return matches;
}

status_t BTokenSpace::GetToken(token_t token, int16 type, void** object, TokenPredicate predicate)
{
	if (object != nullptr)
		*object = nullptr;
	Entry* entry = Resolve(token, true);
	if (entry == nullptr)
		return kError;
	bool accepted = (type == kAnyTokenType || entry->type == type) &&
	                (predicate == nullptr || predicate(entry->type, entry->object));
	if (accepted && object != nullptr)
		*object = entry->object;
	fAccess.Unlock();
	return accepted ? kOk : kError;
}

status_t BTokenSpace::SetTokenTarget(token_t token, BPrivate::BDirectMessageTarget* target)
{
	Entry* entry = Resolve(token, true);
	if (entry == nullptr)
		return kError;
	if (target != nullptr && !target->Acquire()) {
		fAccess.Unlock();
		return kError;
	}
	BPrivate::BDirectMessageTarget* oldTarget = entry->target;
	entry->target = target;
	fAccess.Unlock();
	if (oldTarget != nullptr)
		oldTarget->Release();
	return kOk;
}

BPrivate::BDirectMessageTarget* BTokenSpace::GetTokenTarget(token_t token, int16 type)
{
	Entry* entry = Resolve(token, true);
	if (entry == nullptr)
		return nullptr;
	BPrivate::BDirectMessageTarget* target = nullptr;
	if ((type == kAnyTokenType || entry->type == type) && entry->target != nullptr &&
	    entry->target->Acquire())
		target = entry->target;
	fAccess.Unlock();
	return target;
}

int32 BTokenSpace::CountLiveTokens() const
{
	fAccess.Lock();
	int32 live = 0;
	for (int32 block = 0; block <= fCurrentBlock; ++block) {
		for (int32 slot = 0; slot < kEntriesPerBlock; ++slot)
			live += fBlocks[block][slot].type != kUnusedEntry ? 1 : 0;
	}
	fAccess.Unlock();
	return live;
}
