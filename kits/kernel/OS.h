// Kernel semaphores: counting semaphores addressed by id.
#pragma once

#include "kits/support/SupportDefs.h"

typedef int32 sem_id;

enum {
	B_TIMEOUT = 0x8,
	B_RELATIVE_TIMEOUT = 0x8,
};

// A new semaphore with the given count, or B_BAD_VALUE for a negative count,
// B_NO_MEMORY when it cannot be made.
sem_id create_sem(int32 count, const char* name);
// Waits until the count is positive and takes one. B_BAD_SEM_ID for an unknown or
// deleted semaphore (also when it is deleted while the caller waits).
status_t acquire_sem(sem_id sem);
// As acquire_sem, taking `count`; with B_RELATIVE_TIMEOUT in flags it gives up after
// `timeout` microseconds with B_TIMED_OUT (B_WOULD_BLOCK for a timeout of 0).
status_t acquire_sem_etc(sem_id sem, int32 count, uint32 flags, bigtime_t timeout);
status_t release_sem(sem_id sem);
status_t delete_sem(sem_id sem);
// The current count of the semaphore, for diagnostics and tests.
status_t get_sem_count(sem_id sem, int32* count);
