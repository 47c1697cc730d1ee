// BTokenSpace: the process-wide registry that addresses handlers, loopers and
// reply targets by 32-bit tokens instead of pointers.
//
// A token holds an entry index (bits 0-15: block in 8-15, slot in 0-7) and a
// 15-bit generation (bits 16-30); bit 31 is always clear and -1 means "no
// token". Removing a token advances its entry's generation, so stale tokens stop
// resolving even after the entry is reused. Freed entries are reused oldest
// first. Every operation may be called from any thread; the notify functions
// and predicates run under the space's lock and must not call back into it.
#pragma once

#include "support/Locker.h"
#include "support/SupportDefs.h"

namespace BPrivate {
class BDirectMessageTarget;
}

typedef int32 token_t;
typedef void (*TokenNotifyFunction)(int16 type, void* object);
typedef bool (*TokenPredicate)(int16 type, void* object);

constexpr token_t kNoToken = -1;
constexpr int16 kAnyTokenType = 0;
constexpr int16 kHandlerTokenType = 1;
constexpr int16 kReplyTokenType = 3;
constexpr int16 kLooperTokenType = 4;

class BTokenSpace {
public:
	BTokenSpace();
	~BTokenSpace();

	// The new token, or -1 (after a debugger report) when 65536 tokens are live.
	token_t NewToken(int16 type, void* object, TokenNotifyFunction notify = nullptr);
	void RemoveToken(token_t token, TokenNotifyFunction notify = nullptr);
	bool CheckToken(token_t token, int16 type = kAnyTokenType);
	// 0 and the object; -1 and null when the token does not resolve, the type
	// differs or the predicate answers false.
	[[nodiscard]] status_t GetToken(token_t token, int16 type, void** object, TokenPredicate predicate = nullptr);
	// 0, or -1 when the token does not resolve or the target refuses a reference.
	[[nodiscard]] status_t SetTokenTarget(token_t token, BPrivate::BDirectMessageTarget* target);
	// The target with one reference taken for the caller, or null.
	BPrivate::BDirectMessageTarget* GetTokenTarget(token_t token, int16 type = kAnyTokenType);
	// The number of tokens handed out and not removed, for leak checks.
	int32 CountLiveTokens() const;

	BTokenSpace(const BTokenSpace&) = delete;
	BTokenSpace& operator=(const BTokenSpace&) = delete;

private:
	struct Entry;

	Entry* Resolve(token_t token, bool report);
	Entry* TakeFreeEntry(token_t* token);
	Entry* TakeFreshEntry(token_t* token);
	void AppendToFreeList(token_t token);
	Entry* EntryAt(int32 index) const;

	mutable BLocker fAccess;
	token_t fFreeHead;
	token_t fFreeTail;
	int32 fCurrentBlock;
	int32 fUsedInCurrentBlock;
	Entry* fBlocks[256];
};

// The process's one token space, alive from static start-up to static shutdown.
extern BTokenSpace gDefaultTokens;
