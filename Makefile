# One command each: `make run`, `make test`, `make package`, `make bench`, `make fuzz`.
# Every target first installs the Debian packages the project needs.

BUILD   ?= build
RELEASE ?= build-release
FUZZDIR ?= build-fuzz
JOBS    ?= $(shell nproc)

.PHONY: all deps configure build run test package bench fuzz clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

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

clean:
	rm -rf $(BUILD) $(RELEASE) $(FUZZDIR)
