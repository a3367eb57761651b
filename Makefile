# kelmmath front door.
#
#   make test        configure build/, build everything and run the whole test suite
#   make demo        build the examples and run them on their embedded samples
#   make bench       build and run the benchmarks (needs libbenchmark-dev)
#   make asan        the whole suite again under AddressSanitizer + UBSan (build-asan/)
#   make tsan        the concurrency tests under ThreadSanitizer (build-tsan/)
#   make fuzz-smoke  build the libFuzzer targets with clang and run each briefly
#   make install PREFIX=/some/where
#
# WERROR=1 turns compiler warnings into errors. JOBS sets the build parallelism.
# PYTHON=0 leaves out the Python module.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
WERROR     ?= 0
PREFIX     ?= /usr/local
FUZZ_SECONDS ?= 60

PYTHON     ?= 1

CMAKE_FLAGS = -DKELMMATH_WERROR=$(if $(filter 1 ON on yes,$(WERROR)),ON,OFF) \
              -DKELMMATH_BUILD_PYTHON=$(if $(filter 0 OFF off no,$(PYTHON)),OFF,ON)

.PHONY: all test demo bench asan tsan fuzz-smoke install prereqs clean configure

all: test

# The Debian packages each target needs: installed when missing if make runs as
# root, otherwise named before stopping. PYTHON=0 leaves out the Python module.
prereqs:
	@sh cmake/prereqs.sh build $(if $(filter 0 OFF off no,$(PYTHON)),,python)

# Configure when the build folder has no cache yet, or when it was configured
# with other flags; a half-made build folder is simply configured again.
configure: prereqs
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DKELMMATH_BUILD_TESTS=ON -DKELMMATH_BUILD_EXAMPLES=ON

test: configure
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

asan: prereqs
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DKELMMATH_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS) -LE packaging

# The concurrency tests (suites named KelmThreads*) under ThreadSanitizer.
tsan: prereqs
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_FLAGS) -DKELMMATH_TSAN=ON -DCMAKE_BUILD_TYPE=Debug -DKELMMATH_BUILD_EXAMPLES=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_meshio
	for t in test_meshio; do \
	    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	        $(TSAN_BUILD)/$$t --gtest_filter='KelmThreads*' || exit 1; \
	done

install: configure
	cmake --build $(BUILD) -j $(JOBS)
	cmake --install $(BUILD) --prefix $(PREFIX)

demo: configure
	cmake --build $(BUILD) -j $(JOBS)
	@if [ -f examples/CMakeLists.txt ]; then \
	    mkdir -p $(BUILD)/demo && sh examples/demo.sh $(BUILD); \
	else echo "kelmmath: the examples are not built yet"; fi

bench: prereqs
	@sh cmake/prereqs.sh bench
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DKELMMATH_BUILD_BENCHMARKS=ON -DKELMMATH_BUILD_TESTS=OFF -DKELMMATH_BUILD_EXAMPLES=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	sh bench/run.sh $(BENCH_BUILD)

fuzz-smoke: prereqs
	@sh cmake/prereqs.sh fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DKELMMATH_BUILD_FUZZERS=ON -DKELMMATH_BUILD_TESTS=OFF -DKELMMATH_BUILD_EXAMPLES=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	sh fuzz/smoke.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
