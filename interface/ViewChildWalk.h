// BView::ChildWalk: the walk over a view's children that its units use
// whenever hooks may run. Private to the view's own units.
#pragma once

#include "interface/View.h"
#include "support/StrongPointer.h"
#include "support/Vector.h"

// A walk over a view's children that runs hooks, or native calls that run
// hooks: the children are noted first, each with its validity, and a child is
// visited only while it is alive and still a child of the view; the walk ends
// once the view itself is gone. Any hook may so remove or delete any view,
// the walked one included.
class BView::ChildWalk {
public:
	explicit ChildWalk(const BView* parent) : fParent(parent), fParentValidity(parent->Validity())
	{
		for (BView* child = parent->fFirstChild; child != nullptr; child = child->fNextSibling) {
			// Without memory to note it a child is passed over, as one that
			// went would be.
			(void)fChildren.AddItem(noted_child{child, child->Validity()});
		}
	}

	BView* Next()
	{
		while (fIndex < fChildren.CountItems() && fParentValidity->IsAlive()) {
			const noted_child& noted = fChildren.ItemAt(fIndex++);
			if (noted.validity->IsAlive() && noted.view->fParent == fParent)
				return noted.view;
		}
		return nullptr;
	}

private:
	struct noted_child {
		BView* view;
		sptr<BHandler::ValidAtom> validity;
	};

	const BView* fParent;
	sptr<BHandler::ValidAtom> fParentValidity;
	BVector<noted_child> fChildren;
	int32 fIndex = 0;
};
