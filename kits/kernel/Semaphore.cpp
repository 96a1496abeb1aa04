#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "kits/kernel/OS.h"

namespace {

struct Semaphore {
	std::mutex lock;
	std::condition_variable available;
	int64 count = 0;
	bool deleted = false;
	std::string name;
};

// Ids are never reused, so a stale id can never reach another semaphore. Lookups share
// the lock; only create and delete take it alone.
struct Registry {
	std::shared_mutex lock;
	std::unordered_map<sem_id, std::shared_ptr<Semaphore>> semaphores;
	sem_id nextId = 1;
};

Registry& registry()
{
	static Registry* r = new Registry;  // outlives every static destructor that may use it
	return *r;
}

std::shared_ptr<Semaphore> find(sem_id id)
{
	Registry& r = registry();
	std::shared_lock guard(r.lock);
	auto it = r.semaphores.find(id);
	return it == r.semaphores.end() ? nullptr : it->second;
}

}  // namespace

sem_id create_sem(int32 count, const char* name)
{
	if (count < 0)
		return B_BAD_VALUE;
	std::shared_ptr<Semaphore> sem(new (std::nothrow) Semaphore);
	if (!sem)
		return B_NO_MEMORY;
	sem->count = count;
	sem->name = name != nullptr ? name : "";
	Registry& r = registry();
	std::lock_guard guard(r.lock);
	if (r.nextId == INT32_MAX)
		return B_NO_MORE_SEMS;
	sem_id id = r.nextId++;
	r.semaphores.emplace(id, std::move(sem));
	return id;
}

status_t acquire_sem(sem_id id)
{
	return acquire_sem_etc(id, 1, 0, 0);
}

namespace {

// A timeout of 0 never waits for the count, nor for another thread's call on this
// semaphore in progress (that thread may be preempted inside it). The lookup shares the
// registry with every other lookup, so semaphores in use elsewhere never make it fail; it
// waits only for a create or delete, which hold the registry for a map update alone. The
// audio device thread takes the sounds' buffer locks this way.
status_t try_acquire(sem_id id, int32 count)
{
	std::shared_ptr<Semaphore> sem = find(id);
	if (!sem)
		return B_BAD_SEM_ID;
	std::unique_lock guard(sem->lock, std::try_to_lock);
	if (!guard.owns_lock())
		return B_WOULD_BLOCK;
	if (sem->deleted)
		return B_BAD_SEM_ID;
	if (sem->count < count)
		return B_WOULD_BLOCK;
	sem->count -= count;
	return B_OK;
}

}  // namespace

status_t acquire_sem_etc(sem_id id, int32 count, uint32 flags, bigtime_t timeout)
{
	if (count < 1)
		return B_BAD_VALUE;
	if ((flags & B_RELATIVE_TIMEOUT) != 0 && timeout == 0)
		return try_acquire(id, count);
	std::shared_ptr<Semaphore> sem = find(id);
	if (!sem)
		return B_BAD_SEM_ID;
	std::unique_lock guard(sem->lock);
	auto ready = [&] { return sem->deleted || sem->count >= count; };
	if ((flags & B_RELATIVE_TIMEOUT) != 0) {
		if (!sem->available.wait_for(guard, std::chrono::microseconds(timeout), ready))
			return timeout == 0 ? B_WOULD_BLOCK : B_TIMED_OUT;
	} else {
		sem->available.wait(guard, ready);
	}
	if (sem->deleted)
		return B_BAD_SEM_ID;
	sem->count -= count;
	return B_OK;
}

status_t release_sem(sem_id id)
{
	std::shared_ptr<Semaphore> sem = find(id);
	if (!sem)
		return B_BAD_SEM_ID;
	{
		std::lock_guard guard(sem->lock);
		if (sem->deleted)
			return B_BAD_SEM_ID;
		sem->count += 1;
	}
	sem->available.notify_all();
	return B_OK;
}

status_t delete_sem(sem_id id)
{
	std::shared_ptr<Semaphore> sem;
	{
		Registry& r = registry();
		std::lock_guard guard(r.lock);
		auto it = r.semaphores.find(id);
		if (it == r.semaphores.end())
			return B_BAD_SEM_ID;
		sem = std::move(it->second);
		r.semaphores.erase(it);
	}
	{
		std::lock_guard guard(sem->lock);
		sem->deleted = true;
	}
	sem->available.notify_all();
	return B_OK;
}

status_t get_sem_count(sem_id id, int32* count)
{
	std::shared_ptr<Semaphore> sem = find(id);
	if (!sem)
		return B_BAD_SEM_ID;
	std::lock_guard guard(sem->lock);
	*count = int32(sem->count);
	return B_OK;
}
