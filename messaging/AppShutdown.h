// BAppShutdown: the base of objects that live until the application goes.
//
// A new object registers itself with the process's application, if there is
// one, and the application's destructor deletes it. An object deleted earlier
// by its owner leaves the list first. Objects are made and deleted on the
// application's thread or under its lock; registration itself may happen on
// any thread.
#pragma once

class BAppShutdown {
public:
	// Stays unregistered when there is no application or memory ran out.
	BAppShutdown();
	virtual ~BAppShutdown();

	BAppShutdown(const BAppShutdown&) = delete;
	BAppShutdown& operator=(const BAppShutdown&) = delete;
};
