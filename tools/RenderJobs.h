// Runs the sounds of one tunk-render call on several threads while everything the user sees
// stays in the order of the command line: each job's messages are collected and handed back
// in job order, on the calling thread.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

struct JobResult {
	bool ok = true;
	std::string messages;  // whole lines, for standard error
};

struct JobCallbacks {
	// Runs job i; called on a worker thread (on the calling thread when there is one thread).
	std::function<JobResult(size_t index)> work;
	// Job i's result, called on the calling thread in job order, each as soon as it and every
	// job before it are done.
	std::function<void(size_t index, const JobResult& result)> report;
	// After each job is done, in whatever order they finish: how many are done of how many.
	// Called on the calling thread; may be empty.
	std::function<void(size_t done, size_t count)> progress;
};

// Runs `count` jobs on at most `threads` threads and returns when all are done. A job that
// throws counts as failed with the exception's text as its message.
void RunJobs(size_t count, int threads, const JobCallbacks& callbacks);

// The processors this process may run on, at least 1.
int ProcessorCount();
