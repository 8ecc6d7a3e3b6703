# Entry points: `make run` and `make test` set up a fresh Debian 12 machine and do the rest.
MAKEFLAGS += --no-print-directory
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)

# The desktop build's one configure line, for every target that builds in $(BUILD).
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

.PHONY: all setup setup-test setup-package build run test unit e2e asan tsan bench fuzz screenshot package clean

# The page: `make web`, `make web-run` (web/web.mk).
include web/web.mk

all: build

# Running needs fewer packages than testing.
setup:
	@bash scripts/setup.sh

setup-test:
	@bash scripts/setup.sh test

setup-package:
	@bash scripts/setup.sh package

build: setup
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j $(JOBS)

# Only the viewer and its textures; pictures and exports land in the folder make started in.
run: setup
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j $(JOBS) --target tolvane assets
	$(BUILD)/tolvane $(BUILD)/assets/textureList.txt

# Every test: the unit and end-to-end tests, then the core's unit tests under ASan/UBSan, the
# tests of its worker threads under ThreadSanitizer, then the page in headless Chromium against
# the desktop's pictures.
test: setup-test build asan tsan web
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j 2
	cd $(ASAN_BUILD) && ctest --output-on-failure --no-tests=error
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure --no-tests=error \
	  -R "$(TSAN_TESTS)"
	TOLVANE_BUILD=$(abspath $(BUILD)) TOLVANE_SITE=$(abspath $(WEB_SITE)) node --test tests/web/

asan: setup-test
	@cmake -S . -B $(ASAN_BUILD) -DTOLVANE_CORE_ONLY=ON -DTOLVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

# The tests that run the core's worker threads (background builds of the vase and its lines).
TSAN_TESTS ?= Builder|BackgroundWork
tsan: setup-test
	@cmake -S . -B $(TSAN_BUILD) -DTOLVANE_CORE_ONLY=ON -DTOLVANE_SANITIZE_THREAD=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target tolvane_unit_tests

bench: build
	$(BUILD)/bench/tolvane_bench
	$(BUILD)/bench/tolvane_scene_bench
	$(BUILD)/bench/tolvane_overlay_bench
	$(BUILD)/bench/tolvane_shadow_bench
	bench/spin_bench.sh $(BUILD)/tolvane $(BUILD)/assets/textureList.txt
	python3 bench/turntable_bench.py $(BUILD)/tolvane $(BUILD)/assets/textureList.txt

# Short libFuzzer sessions on the parsers (about a minute each); not part of `make test`.
FUZZ_SECONDS ?= 60
fuzz:
	@TOLVANE_FUZZ=1 bash scripts/setup.sh
	@bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The Debian package: $(BUILD)/tolvane_VERSION-1_ARCH.deb (README, "Install").
# Only what the package holds is built: the viewer, its textures, the icon and the man page.
package: setup-package
	@$(CONFIGURE)
	@grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' $(BUILD)/CMakeCache.txt || { echo "make package:" \
	  "$(BUILD) is configured for another prefix; run cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=/usr" >&2; exit 1; }
	@cmake --build $(BUILD) -j $(JOBS) --target tolvane assets packaging_files
	@cmake --build $(BUILD) --target package

screenshot: setup-test build
	@bash scripts/screenshot.sh $(BUILD) docs/screenshot.png
	@cd $(BUILD)/assets && ../tolvane --quiet --render $(CURDIR)/docs/transparent.png \
	  --set transparentBackground=1 --set antialiasing=4 --set spinGlobe=0 textureList.txt
	@cd $(BUILD)/assets && ../tolvane --quiet --render $(CURDIR)/docs/shadows.png --set shadows=1 \
	  --set lightPosition=0.3,1,-0.6 --set antialiasing=4 --set spinGlobe=0 textureList.txt
	@# The standard views (keys 1, 3, 7): front, right side and top, side by side.
	@cd $(BUILD)/assets && tmp=$$(mktemp -d) && for v in 45,35.2644,-30 0,-45,-35.2644 \
	  -63.4349,24.0948,39.2315; do ../tolvane --quiet --size 300x300 --render $$tmp/$$v.png \
	  --set rotation=$$v --set antialiasing=4 --set spinGlobe=0 textureList.txt && \
	  pngtopnm $$tmp/$$v.png > $$tmp/$$v.pnm || exit 1; done && \
	  pnmcat -lr $$tmp/45,35.2644,-30.pnm $$tmp/0,-45,-35.2644.pnm $$tmp/-63.4349,24.0948,39.2315.pnm | \
	  pnmtopng -compression 9 > $(CURDIR)/docs/views.png && rm -r $$tmp

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WEB_BUILD)
