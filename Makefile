# Zweiblick: `make run` to start the program, `make test` to run every test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all deps configure build run test format clean install package demo

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

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	cd $(BUILD_DIR) && cpack

demo: build
	scripts/run-demo $(BUILD_DIR)/bin/zweiblick

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR)
