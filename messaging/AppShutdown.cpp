// BAppShutdown: registration in the application's shutdown list.
#include "messaging/AppShutdown.h"

#include "messaging/Application.h"

BAppShutdown::BAppShutdown()
{
	if (BApplication* application = ProcessApplication())
		application->RegisterShutdown(this);
}

BAppShutdown::~BAppShutdown()
{
	if (BApplication* application = ProcessApplication())
		application->UnregisterShutdown(this);
}
