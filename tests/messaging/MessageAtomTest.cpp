// Atom fields hold references: copies take their own, frees give them up.
#include "messaging/Message.h"
#include "support/Atom.h"

#include <gtest/gtest.h>

using namespace BPrivate;

namespace {

class Counted : public BAtom {
};

status_t AddAtom(BMessage* message, const char* name, type_code type, BAtom* atom)
{
	return message->AddData(name, type, &atom, sizeof(atom));
}

TEST(MessageAtoms, CopiesTakeReferencesAndFreesGiveThemUp)
{
	Counted* atom = new Counted;
	ASSERT_NE(atom, nullptr);
	atom->AcquireStrong();  // kept by the test
	atom->AcquireStrong();  // handed to the message, which takes none itself
	atom->AcquireWeak();    // handed over with the weak field
	int32 weakBefore = atom->WeakCount();
	{
		BMessage message;
		ASSERT_EQ(AddAtom(&message, "strong", kAtomType, atom), kOk);
		ASSERT_EQ(AddAtom(&message, "weak", kAtomRefType, atom), kOk);
		EXPECT_EQ(atom->StrongCount(), 2);
		BMessage copy(message);
		EXPECT_EQ(atom->StrongCount(), 2);  // shared body, no new reference
		ASSERT_EQ(copy.AddInt32("x", 1), kOk);
		EXPECT_EQ(atom->StrongCount(), 3);  // the private copy holds its own
		EXPECT_EQ(atom->WeakCount(), weakBefore + 2);
		BMessage parent;
		ASSERT_EQ(parent.AddNestedMessage("child", &message), kOk);
		EXPECT_EQ(atom->StrongCount(), 4);
		BMessage child;
		ASSERT_EQ(parent.GetNestedMessage("child", 0, &child), kOk);
		EXPECT_EQ(atom->StrongCount(), 5);
		ASSERT_EQ(copy.RemoveField("strong"), kOk);
		EXPECT_EQ(atom->StrongCount(), 4);
	}
	EXPECT_EQ(atom->StrongCount(), 1);
	// What is left is the test's own strong reference and the weak one it holds.
	EXPECT_EQ(atom->WeakCount(), weakBefore - 2);
	atom->ReleaseStrong();
}

}  // namespace
