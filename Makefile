# Zweiblick: `make run` to start the program, `make test` to run every test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all deps configure build run test test-tsan format clean install package demo

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

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	cd $(BUILD_DIR) && cpack

demo: build
	scripts/run-demo $(BUILD_DIR)/bin/zweiblick

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR) build-tsan
