// The benaphore's wait for its turn.
#include "support/Benaphore.h"

status_t WaitForBenaphoreTurn(sem_handle semaphore, uint32 flags, bigtime_t timeout)
{
	status_t status;
	do
		status = AcquireSemaphore(semaphore, 1, flags, timeout);
	while (status == kInterrupted);
	return status;
}
