# Two commands are all a new machine needs: `make run` and `make test`.
# Both install what is missing (Debian packages only), configure and build first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: run test deps build test-asan build-asan bench format clean

run: build
	$(BUILD)/bin/corvane

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

deps:
	@bash scripts/install-deps.sh

build: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
build-asan: deps
	@test -f $(ASAN_BUILD)/build.ninja || cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) \
	    -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_BUILD_BENCHMARKS=OFF \
	    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1"
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-asan: build-asan
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
