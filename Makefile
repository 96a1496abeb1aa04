# make test           installs what is missing, builds everything and runs the tests headless
# make test-sanitize  the suite again under AddressSanitizer + UBSan, then the threaded
#                     tests under ThreadSanitizer, then a short run of every fuzzer
# make fuzz           runs each libFuzzer target for FUZZ_SECONDS (clang)
# make bench          builds with optimisation and runs the benchmarks
# make run            builds and starts Tunk with one empty window
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test test-sanitize test-asan test-tsan fuzz bench clean

deps:
	@bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/tunk

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS) --timeout 600

bench: CMAKE_FLAGS += -DCMAKE_BUILD_TYPE=Release
bench: BUILD = build-release
bench: export TUNK_BENCH_DEPS = 1
bench: build
	@for b in $(BUILD)/bench/*; do \
		if [ -x "$$b" ] && [ -f "$$b" ]; then echo "== $$b"; "$$b" --benchmark_min_time=0.5; fi; \
	done

HEADLESS = QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
SAN_ENV = ASAN_OPTIONS=abort_on_error=0:detect_leaks=1:suppressions=$(CURDIR)/sanitize/asan.supp \
	LSAN_OPTIONS=suppressions=$(CURDIR)/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(CURDIR)/sanitize/ubsan.supp \
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/sanitize/tsan.supp
# The threaded programs: semaphores, the shared sound player, the engine, playback, the
# stress tests and the LV2 plugin with its worker. Qt is not instrumented, so nothing that
# runs Qt is built for ThreadSanitizer.
TSAN_TARGETS ?= semaphore_test sound_player_test engine_test playback_test stress_test plugin_concurrency_test kit_concurrency_test

test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTUNK_ASAN=ON -DTUNK_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && $(HEADLESS) $(SAN_ENV) ctest --output-on-failure -j $(JOBS) --timeout 900

test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNK_TSAN=ON -DTUNK_BENCH=OFF
	cmake --build build-tsan -j $(JOBS) --target $(TSAN_TARGETS)
	@for t in $(TSAN_TARGETS); do \
		exe=$$(find build-tsan/tests -type f -name $$t -perm -u+x | head -n 1); \
		[ -n "$$exe" ] || { echo "test-tsan: $$t was not built"; exit 1; }; \
		echo "== $$t"; \
		$(HEADLESS) $(SAN_ENV) $$exe --gtest_brief=1 || exit 1; \
	done

FUZZ_SECONDS ?= 60
FUZZERS = build-fuzz/fuzz
fuzz: deps
	TUNK_SANITIZE_DEPS=1 bash scripts/install-deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNK_FUZZ=ON \
		-DTUNK_BENCH=OFF -DBUILD_TESTING=OFF
	cmake --build build-fuzz -j $(JOBS) --target fuzzers
	@mkdir -p build-fuzz/artifacts
	@for f in $(FUZZERS)/fuzz_*; do \
		[ -x "$$f" ] && [ -f "$$f" ] || continue; name=$$(basename $$f); \
		mkdir -p build-fuzz/corpus/$$name; \
		echo "== $$name ($(FUZZ_SECONDS) s)"; \
		$(HEADLESS) $$f -max_total_time=$(FUZZ_SECONDS) -timeout=20 -print_final_stats=1 \
			-artifact_prefix=build-fuzz/artifacts/$$name- \
			build-fuzz/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

test-sanitize: test-asan test-tsan
	$(MAKE) fuzz FUZZ_SECONDS=20

clean:
	rm -rf build build-release build-asan build-tsan build-fuzz
