# make test   installs what is missing, builds everything and runs the tests headless
# make bench  builds and runs the benchmarks
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build test bench clean

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

clean:
	rm -rf build build-release
