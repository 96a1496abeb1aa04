#include "tools/RenderJobs.h"

#include <sched.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

JobResult run_guarded(const JobCallbacks& callbacks, size_t index)
{
	try {
		return callbacks.work(index);
	} catch (const std::bad_alloc&) {
		return {false, "tunk-render: Out of memory\n"};
	} catch (const std::exception& error) {
		return {false, std::string("tunk-render: ") + error.what() + "\n"};
	}
}

} // namespace

void RunJobs(size_t count, int threads, const JobCallbacks& callbacks)
{
	if (threads <= 1 || count <= 1) {
		for (size_t i = 0; i < count; i++) {
			const JobResult result = run_guarded(callbacks, i);
			if (callbacks.progress)
				callbacks.progress(i + 1, count);
			callbacks.report(i, result);
		}
		return;
	}

	std::mutex lock;
	std::condition_variable finished;
	std::vector<std::optional<JobResult>> results(count);
	size_t next = 0;  // the next job a worker takes
	size_t done = 0;

	auto worker = [&] {
		for (;;) {
			size_t index;
			{
				std::lock_guard<std::mutex> hold(lock);
				if (next == count)
					return;
				index = next++;
			}
			JobResult result = run_guarded(callbacks, index);
			{
				std::lock_guard<std::mutex> hold(lock);
				results[index] = std::move(result);
				done++;
			}
			finished.notify_one();
		}
	};
	std::vector<std::thread> workers;
	const size_t workerCount = std::min(count, size_t(threads));
	for (size_t i = 0; i < workerCount; i++)
		workers.emplace_back(worker);

	// Reports leave in job order; the progress follows completions as they come.
	size_t reported = 0;
	size_t shown = 0;
	std::unique_lock<std::mutex> hold(lock);
	while (reported < count) {
		finished.wait(hold, [&] { return done > shown || results[reported].has_value(); });
		const size_t doneNow = done;
		std::vector<JobResult> ready;
		while (reported + ready.size() < count && results[reported + ready.size()].has_value())
			ready.push_back(std::move(*results[reported + ready.size()]));
		for (size_t i = 0; i < ready.size(); i++)
			results[reported + i].reset();
		hold.unlock();
		if (callbacks.progress && doneNow > shown)
			callbacks.progress(doneNow, count);
		shown = doneNow;
		for (JobResult& result : ready)
			callbacks.report(reported++, result);
		hold.lock();
	}
	hold.unlock();
	for (std::thread& thread : workers)
		thread.join();
}

int ProcessorCount()
{
	cpu_set_t set;
	if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
		return CPU_COUNT(&set);
	const unsigned hardware = std::thread::hardware_concurrency();
	return hardware > 0 ? int(hardware) : 1;
}
