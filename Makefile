# make test           installs what is missing, builds everything and runs the tests headless
# make test-sanitize  the suite again under AddressSanitizer + UBSan, then the threaded
#                     tests under ThreadSanitizer, then a short run of every fuzzer
# make fuzz           runs each libFuzzer target for FUZZ_SECONDS (clang)
# make bench          builds with optimisation and runs the benchmarks
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build test test-sanitize test-asan test-tsan fuzz bench clean

deps:
	@bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS) --timeout 600

bench: CMAKE_FLAGS += -DCMAKE_BUILD_TYPE=Release
bench: BUILD = build-release
bench: build
	@for b in $(BUILD)/bench/*; do \
		if [ -x "$$b" ] && [ -f "$$b" ]; then echo "== $$b"; "$$b" --benchmark_min_time=0.5; fi; \
	done

HEADLESS = QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
SAN_ENV = ASAN_OPTIONS=abort_on_error=0:detect_leaks=1:suppressions=$(CURDIR)/sanitize/asan.supp \
	LSAN_OPTIONS=suppressions=$(CURDIR)/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/sanitize/tsan.supp
# The threaded tests: the engine, the player and playback; Qt itself is not instrumented.
TSAN_TESTS ?= semaphore|Semaphore|engine|Engine|player|Player|playback|Playback|Stress

test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTUNK_ASAN=ON -DTUNK_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && $(HEADLESS) $(SAN_ENV) ctest --output-on-failure -j $(JOBS) --timeout 900

test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTUNK_TSAN=ON -DTUNK_BENCH=OFF
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && $(HEADLESS) $(SAN_ENV) ctest --output-on-failure -j $(JOBS) --timeout 900 -R '$(TSAN_TESTS)'

FUZZ_SECONDS ?= 60
fuzz: deps
	TUNK_SANITIZE_DEPS=1 bash scripts/install-deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNK_FUZZ=ON \
		-DTUNK_BENCH=OFF -DBUILD_TESTING=OFF
	cmake --build build-fuzz -j $(JOBS)
	@for f in build-fuzz/fuzz/fuzz_*; do \
		[ -x "$$f" ] || continue; name=$$(basename $$f); \
		mkdir -p build-fuzz/corpus/$$name; \
		echo "== $$name ($(FUZZ_SECONDS) s)"; \
		$(HEADLESS) $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			build-fuzz/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

test-sanitize: test-asan test-tsan
	$(MAKE) fuzz FUZZ_SECONDS=20

clean:
	rm -rf build build-release build-asan build-tsan build-fuzz
