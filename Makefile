# Two entry points: `make run` builds and starts the program, `make test` builds and runs all tests.
BUILD ?= build
JOBS ?= $(shell nproc)
# Warnings are errors in our own builds; a plain `cmake` configure (a packager's) leaves them
# warnings.
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONALIX_WARNINGS_AS_ERRORS=ON
SANITIZER_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DTONALIX_WARNINGS_AS_ERRORS=ON -DTONALIX_BUILD_BENCH=OFF

.PHONY: deps test-deps configure build run test bench package asan tsan clean

# What building and running the program needs; test-deps adds what the tests need.
deps:
	@./scripts/install-deps

test-deps:
	@./scripts/install-deps --tests

configure: test-deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DTONALIX_BUILD_TESTS=ON -DTONALIX_BUILD_BENCH=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only the program: no test or bench is built before the window appears.
run: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DTONALIX_BUILD_TESTS=OFF -DTONALIX_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target tonalix-studio
	./$(BUILD)/tonalix-studio

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	./scripts/run-benchmarks $(BUILD)

# A Debian package of the installed program in $(BUILD)/, runtime dependencies only.
package: build
	cd $(BUILD) && cpack -G DEB

# Tests under AddressSanitizer and UndefinedBehaviorSanitizer, in a build tree of their own.
asan: test-deps
	@cmake -S . -B build-asan $(SANITIZER_FLAGS) -DTONALIX_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp QT_QPA_PLATFORM=offscreen \
	  ctest --output-on-failure -j $(JOBS)

# Tests under ThreadSanitizer, in a build tree of their own. The system's Qt, GLib and
# FluidSynth are not instrumented: Qt's own threads synchronise where the sanitizer cannot see,
# so what those libraries do inside is not checked; every access of our code is.
tsan: test-deps
	@cmake -S . -B build-tsan $(SANITIZER_FLAGS) -DTONALIX_TSAN=ON >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	cd build-tsan && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1" \
	  ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) build-asan build-tsan
