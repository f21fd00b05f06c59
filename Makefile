# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
JOBS         ?= $(shell nproc)
CMAKE_FLAGS  ?=

.PHONY: all deps configure build test test-sanitize test-tsan fuzz run package format clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DSKIMMER_SANITIZE=address,undefined $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

# The suites of the threaded parts under ThreadSanitizer (Qt itself is not instrumented, so the GUI
# suite stays out).
TSAN_DIR    ?= build-tsan
TSAN_SUITES ?= lists net search engines download app e2e
test-tsan: deps
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKIMMER_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target $(addsuffix _test,$(TSAN_SUITES))
	@set -e; for suite in $(TSAN_SUITES); do \
	  echo "tsan: $$suite"; \
	  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$(CURDIR)/scripts/tsan.supp" \
	    $(TSAN_DIR)/tests/$$suite/$${suite}_test --gtest_brief=1; \
	done

# The libFuzzer targets of fuzz/ (clang, with AddressSanitizer and UndefinedBehaviorSanitizer), each run
# for FUZZ_SECONDS (default: 5 minutes shared among them); a crash fails with the reproducer's path.
FUZZ_DIR ?= build-fuzz
fuzz: deps
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DSKIMMER_FUZZ=ON -DSKIMMER_BUILD_TESTS=OFF -DSKIMMER_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets
	@FUZZ_DIR=$(FUZZ_DIR) bash scripts/fuzz.sh

# Starts the window; without a display it runs on a virtual one (xvfb-run).
run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD_DIR)/src/skimmer; \
	else \
	  echo "no display found: starting skimmer on a virtual display (xvfb-run)"; \
	  xvfb-run -a $(BUILD_DIR)/src/skimmer; \
	fi

# A Debian package of the build, made by cpack in $(BUILD_DIR) (see "Install" in the README).
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(TSAN_DIR) $(FUZZ_DIR)
