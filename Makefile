# Zweiblick: `make run` to start the program, `make test` to run every test.
BUILD_DIR ?= build
# What is installed and packaged is built apart, without tests and benchmarks.
RELEASE_DIR ?= build-release
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all deps configure build run test test-tsan format check-format tidy clean install package demo release

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
	rm -rf $(BUILD_DIR) $(RELEASE_DIR) build-tsan
