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
