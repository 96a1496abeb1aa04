// Process start to the first editor window shown, offscreen: the start-up probe runs the
// application's own start-up and exits as its first window appears.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

void BM_StartToFirstWindow(benchmark::State& state)
{
	setenv("QT_QPA_PLATFORM", "offscreen", 1);
	setenv("SDL_AUDIODRIVER", "dummy", 1);
	// The type registry goes to a scratch place, not the user's.
	char scratch[] = "/tmp/tunk-startup-XXXXXX";
	if (mkdtemp(scratch) != nullptr)
		setenv("XDG_DATA_HOME", scratch, 1);

	char program[] = TUNK_STARTUP_PROBE;
	char* argv[] = {program, nullptr};
	for (auto _ : state) {
		const auto started = std::chrono::steady_clock::now();
		pid_t child = 0;
		if (posix_spawn(&child, program, nullptr, nullptr, argv, environ) != 0) {
			state.SkipWithError("the start-up probe could not be started");
			break;
		}
		int status = 0;
		waitpid(child, &status, 0);
		const auto ended = std::chrono::steady_clock::now();
		if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
			state.SkipWithError("the application showed no window");
			break;
		}
		state.SetIterationTime(std::chrono::duration<double>(ended - started).count());
	}
	std::system((std::string("rm -rf ") + scratch).c_str());
}
BENCHMARK(BM_StartToFirstWindow)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
