# Entry points: `make run` and `make test` set up a fresh Debian 12 machine and do the rest.
MAKEFLAGS += --no-print-directory
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)

.PHONY: all setup setup-test build run test unit e2e asan bench fuzz screenshot clean

all: build

# Running needs fewer packages than testing.
setup:
	@bash scripts/setup.sh

setup-test:
	@bash scripts/setup.sh test

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Only the viewer and its textures; pictures and exports land in the folder make started in.
run: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target tolvane assets
	$(BUILD)/tolvane $(BUILD)/assets/textureList.txt

# Every test: the unit and end-to-end tests, then the core's unit tests under ASan/UBSan.
test: setup-test build asan
	cd $(BUILD) && ctest --output-on-failure -j 2
	cd $(ASAN_BUILD) && ctest --output-on-failure

asan: setup-test
	@cmake -S . -B $(ASAN_BUILD) -DTOLVANE_CORE_ONLY=ON -DTOLVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

bench: build
	$(BUILD)/bench/tolvane_bench

# Short libFuzzer sessions on the parsers (about a minute each); not part of `make test`.
FUZZ_SECONDS ?= 60
fuzz:
	@TOLVANE_FUZZ=1 bash scripts/setup.sh
	@bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

screenshot: setup-test build
	@bash scripts/screenshot.sh $(BUILD) docs/screenshot.png

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
