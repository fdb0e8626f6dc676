# SPDX-License-Identifier: GPL-3.0-or-later
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
# Seconds each fuzz target runs in `make fuzz`; `make fuzz-smoke` gives each a few.
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 5
# The pinned formatter: another version formats some constructs differently.
CLANG_FORMAT ?= clang-format-14
FORMATTED = find src tests tools bench fuzz -name '*.cpp' -o -name '*.h'
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Every build made here treats warnings as errors; a plain cmake build only shows them.
WERROR = -DTOBRISK_WERROR=ON
# Sessions of `make soak` and of `make soak-asan`, whose sanitized sessions are far slower.
SOAK_SESSIONS ?= 500
SOAK_ASAN_SESSIONS ?= 100

.PHONY: all deps build test asan-test run screenshot bench soak soak-asan fuzz-build fuzz fuzz-smoke format format-check clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(WERROR) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j 2

# The same suite built with the address and undefined-behaviour sanitizers.
asan-test: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja $(WERROR) -DCMAKE_BUILD_TYPE=Debug -DTOBRISK_SANITIZE=ON -DTOBRISK_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD)
	@LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp ctest --test-dir $(ASAN_BUILD) --output-on-failure -j 2

run:
	@[ -n "$$DISPLAY$$WAYLAND_DISPLAY" ] || { echo "make run: no graphical display (DISPLAY is not set); run it from a desktop session or under xvfb-run." >&2; exit 1; }
	@$(MAKE) --no-print-directory build
	@scripts/run-demo.sh $(BUILD)

screenshot: build
	@scripts/install-deps.sh xvfb xauth imagemagick
	@scripts/screenshot.sh $(BUILD) docs/main-window.png

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# Whole sessions against the in-process simulator, one after another; fails when descriptors, threads or
# memory do not stay flat.
soak: build
	@$(BUILD)/bench/soak_sessions --sessions $(SOAK_SESSIONS)

# The same program alone, built in the sanitizer build folder; a report of the sanitizers ends it.
soak-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja $(WERROR) -DCMAKE_BUILD_TYPE=Debug -DTOBRISK_SANITIZE=ON -DTOBRISK_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) --target soak_sessions
	@LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp $(ASAN_BUILD)/bench/soak_sessions --sessions $(SOAK_ASAN_SESSIONS)

# The libFuzzer targets of fuzz/, built with clang and the address and undefined-behaviour sanitizers.
fuzz-build:
	@scripts/install-deps.sh clang-14 libclang-rt-14-dev
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja $(WERROR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DTOBRISK_FUZZ=ON -DTOBRISK_TESTS=OFF -DTOBRISK_BENCH=OFF -DTOBRISK_SOAK=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzz_targets

# Each target for FUZZ_SECONDS from its committed corpus (copied first, so the repository stays as it is).
fuzz: fuzz-build
	@scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	@scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS)

format: deps
	@$(FORMATTED) | xargs $(CLANG_FORMAT) -i

format-check: deps
	@$(FORMATTED) | xargs $(CLANG_FORMAT) --dry-run -Werror
	@scripts/check-spdx.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# Installing and packaging.
PREFIX ?= /usr/local
.PHONY: install package package-check package-try

# Installs the program and the simulated exchange under $(PREFIX) (and $(DESTDIR) when given);
# COMPONENT=program or COMPONENT=simulator installs one of them.
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" $(if $(COMPONENT),--component $(COMPONENT))

# Debian packages of the program and of the simulated exchange, written to $(BUILD).
package: build
	@scripts/install-deps.sh dpkg-dev file
	@cd $(BUILD) && cpack -G DEB

# CI: the packages' file lists and dependencies, the desktop entry and the metainfo.
package-check: package
	@scripts/install-deps.sh desktop-file-utils appstream
	@scripts/check-package.sh $(BUILD)

# Installs the packages on this machine with apt-get, starts the menu entry under Xvfb, removes them.
package-try: package
	@scripts/install-deps.sh xvfb xauth x11-utils
	@scripts/try-package.sh $(BUILD)
