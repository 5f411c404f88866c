# Top-level entry points. `make run` sets up, builds and starts the editor; `make test` sets up,
# builds and runs every test; `make test-asan` runs them all under AddressSanitizer and
# UndefinedBehaviorSanitizer.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
# Seconds each fuzz target runs.
FUZZ_SECONDS ?= 120
JOBS ?= 2

.PHONY: setup configure build run test test-asan fuzz bench package install clean

setup:
	bash scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/src/app/treewright $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTREEWRIGHT_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

# A Debian package of the program and its desktop files, in $(BUILD)/.
package: build
	cmake --build $(BUILD) --target package

# Installs into PREFIX (default /usr/local): program, launcher, icons, AppStream and MIME data.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# libFuzzer needs clang and its runtime, which only this target installs.
fuzz:
	bash scripts/setup.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREEWRIGHT_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers
	bash fuzz/run.sh $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)

bench: configure
	cmake --build $(BUILD) --target bench -j$(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
