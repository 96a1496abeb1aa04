#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "kits/kernel/OS.h"

TEST(Semaphore, CountsAcquiresAndReleases)
{
	sem_id sem = create_sem(1, "test");
	ASSERT_GT(sem, 0);
	EXPECT_EQ(acquire_sem(sem), B_OK);
	EXPECT_EQ(acquire_sem_etc(sem, 1, B_RELATIVE_TIMEOUT, 0), B_WOULD_BLOCK);
	EXPECT_EQ(acquire_sem_etc(sem, 1, B_RELATIVE_TIMEOUT, 1000), B_TIMED_OUT);
	EXPECT_EQ(release_sem(sem), B_OK);
	int32 count = -1;
	EXPECT_EQ(get_sem_count(sem, &count), B_OK);
	EXPECT_EQ(count, 1);
	EXPECT_EQ(delete_sem(sem), B_OK);
}

TEST(Semaphore, DeletedOrUnknownIdsFail)
{
	EXPECT_EQ(create_sem(-1, "negative"), B_BAD_VALUE);
	sem_id sem = create_sem(0, "gone");
	ASSERT_GT(sem, 0);
	EXPECT_EQ(delete_sem(sem), B_OK);
	EXPECT_EQ(acquire_sem(sem), B_BAD_SEM_ID);
	EXPECT_EQ(release_sem(sem), B_BAD_SEM_ID);
	EXPECT_EQ(delete_sem(sem), B_BAD_SEM_ID);
	// A new semaphore never takes over an old id.
	sem_id next = create_sem(1, "next");
	EXPECT_NE(next, sem);
	delete_sem(next);
}

TEST(Semaphore, DeleteWakesAWaiterWithAnError)
{
	sem_id sem = create_sem(0, "waited on");
	std::atomic<status_t> result{B_OK};
	std::thread waiter([&] { result = acquire_sem(sem); });
	// The waiter is either already blocked or about to find the semaphore gone: both fail.
	delete_sem(sem);
	waiter.join();
	EXPECT_EQ(result.load(), B_BAD_SEM_ID);
}

TEST(Semaphore, ReleaseFromAnotherThreadWakesTheWaiter)
{
	sem_id sem = create_sem(0, "handoff");
	std::thread releaser([&] { release_sem(sem); });
	EXPECT_EQ(acquire_sem(sem), B_OK);
	releaser.join();
	delete_sem(sem);
}

// The audio callback's non-waiting take of a free semaphore succeeds whatever other threads
// do with other semaphores meanwhile (each of their calls looks its semaphore up).
TEST(Semaphore, FreeSemaphoreIsTakenWithoutWaitingWhileOthersAreLookedUp)
{
	sem_id free = create_sem(1, "free");
	sem_id busy = create_sem(1, "busy");
	std::atomic<bool> stop{false};
	std::atomic<int64> lookups{0};
	std::thread hammer([&] {
		int32 count = 0;
		while (!stop.load()) {
			acquire_sem(busy);
			release_sem(busy);
			get_sem_count(busy, &count);
			lookups++;
		}
	});
	int failures = 0;
	int tries = 0;
	// Enough tries that the other thread's lookups overlap many of them.
	while (tries < 200000 || lookups.load() < 20000) {
		tries++;
		if (acquire_sem_etc(free, 1, B_RELATIVE_TIMEOUT, 0) != B_OK)
			failures++;
		else
			release_sem(free);
	}
	stop = true;
	hammer.join();
	EXPECT_EQ(failures, 0) << "of " << tries << " tries";
	delete_sem(busy);
	delete_sem(free);
}
