# One command each: `make run`, `make test`, `make package`, `make bench`, `make fuzz`,
# `make sanitize`, `make lint`, `make format-check`.
# Every target first installs the Debian packages the project needs.

BUILD   ?= build
RELEASE ?= build-release
FUZZDIR ?= build-fuzz
SANDIR  ?= build-sanitize
JOBS    ?= $(shell nproc)
# WERROR=ON makes every compiler warning an error (CI builds so).
WERROR  ?= OFF

.PHONY: all deps configure build run test package bench fuzz sanitize lint format-check clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	@cmake $(BUILD) -DVELLISK_WERROR=$(WERROR) > /dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/vellisk

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

package: build
	cmake --build $(BUILD) --target package
	lintian --fail-on error $(BUILD)/vellisk_*.deb

bench:
	@scripts/install-deps.sh bench
	@test -f $(RELEASE)/build.ninja || cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE) -j $(JOBS)
	@scripts/run-benchmarks.sh $(RELEASE)

fuzz: deps
	@test -f $(FUZZDIR)/build.ninja || CC=clang CXX=clang++ cmake -S . -B $(FUZZDIR) -G Ninja \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLISK_FUZZ=ON
	cmake --build $(FUZZDIR) -j $(JOBS) --target fuzzers
	@scripts/run-fuzzers.sh $(FUZZDIR)

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
# any finding fails its test. Leak reports are off (Qt's threads and caches
# keep memory to the end), and so is the sized-delete check, which trips inside
# Qt WebEngine's own Chromium code. The install test runs the installed
# program, which cannot load the sanitizer runtime, and is left to make test.
sanitize: deps
	@test -f $(SANDIR)/build.ninja || cmake -S . -B $(SANDIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLISK_BENCH=OFF \
	    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
	    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
	    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build $(SANDIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0:new_delete_type_mismatch=0 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --test-dir $(SANDIR) --output-on-failure -j $(JOBS) -E '^install$$'

# clang-tidy with the checks of .clang-tidy over src/; any finding fails.
lint: build
	@scripts/lint.sh $(BUILD)

# clang-format --dry-run over every C++ file; a file not formatted fails.
format-check: deps
	@scripts/check-format.sh

clean:
	rm -rf $(BUILD) $(RELEASE) $(FUZZDIR) $(SANDIR)
