# SPDX-License-Identifier: GPL-3.0-or-later
# Zweiblick: `make run` to start the program, `make test` to run every test.
BUILD_DIR ?= build
# What is installed and packaged is built apart, without tests and benchmarks.
RELEASE_DIR ?= build-release
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all deps configure build run test test-tsan test-asan fuzz format check-format tidy clean install package demo release

all: build

deps:
	@scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS); \
	fi

build: configure
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/bin/zweiblick $(ARGS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j2

# The core tests under ThreadSanitizer, in their own build folder, without
# address randomisation (which newer kernels make too wide for the sanitizer).
# The 5 GB comparison is left out: the sanitizer checks every byte memcmp reads.
test-tsan: deps
	@if [ ! -f build-tsan/build.ninja ]; then \
	  cmake -S . -B build-tsan -G Ninja -DZWEIBLICK_TSAN=ON; \
	fi
	cmake --build build-tsan --target core_tests
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" setarch $$(uname -m) -R \
	  build-tsan/tests/core_tests \
	  --gtest_brief=1 --gtest_filter=-Comparison.SizesBeyond32BitsCompare

# The core tests and the headless program's tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, in their own build folder. The window's own
# end-to-end test is left to `make test`: its build would add the whole Qt
# front end, and Qt itself is not built with the sanitizers.
test-asan: deps
	@if [ ! -f build-asan/build.ninja ]; then \
	  cmake -S . -B build-asan -G Ninja -DZWEIBLICK_ASAN=ON; \
	fi
	cmake --build build-asan --target core_tests e2e_tests
	ASAN_OPTIONS="detect_stack_use_after_return=1 strict_string_checks=1" \
	UBSAN_OPTIONS="print_stacktrace=1" setarch $$(uname -m) -R \
	  build-asan/tests/core_tests --gtest_brief=1
	ASAN_OPTIONS="detect_stack_use_after_return=1 strict_string_checks=1" \
	UBSAN_OPTIONS="print_stacktrace=1" setarch $$(uname -m) -R \
	  build-asan/tests/e2e_tests --gtest_brief=1 --gtest_filter='Programs.Cli*'

# The fuzz targets, built with clang into build-fuzz, each run FUZZ_SECONDS.
FUZZ_SECONDS ?= 300
fuzz: deps
	@if [ ! -f build-fuzz/build.ninja ]; then \
	  cmake -S . -B build-fuzz -G Ninja -DZWEIBLICK_FUZZ=ON \
	    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang $(CMAKE_FLAGS); \
	fi
	cmake --build build-fuzz
	scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)

release: deps
	@if [ ! -f $(RELEASE_DIR)/build.ninja ]; then \
	  cmake -S . -B $(RELEASE_DIR) -G Ninja -DBUILD_TESTING=OFF $(CMAKE_FLAGS); \
	fi
	cmake --build $(RELEASE_DIR)

install: release
	cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

package: release
	cd $(RELEASE_DIR) && cpack

demo: build
	scripts/run-demo $(BUILD_DIR)/bin/zweiblick

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# The static checks of .clang-tidy over the program's sources (a few minutes).
tidy: build
	run-clang-tidy -quiet -p $(BUILD_DIR) '$(CURDIR)/src/'

# Fails when a source file is not formatted as `make format` would leave it.
check-format:
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR) $(RELEASE_DIR) build-tsan build-asan build-fuzz
