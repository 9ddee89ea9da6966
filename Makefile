# Two commands are all a new machine needs: `make run` and `make test`.
# Both install what is missing (Debian packages only), configure and build first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
PACKAGE_BUILD ?= build-package
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: run test deps build test-asan build-asan package bench format clean fuzz

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

# The Debian package (PACKAGE_BUILD/corvane_VERSION_ARCH.deb): a Release build of the
# programs alone, with the compiler and linker flags Debian builds its packages with.
package: deps
	@test -f $(PACKAGE_BUILD)/build.ninja || { \
	    eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)" && \
	    CXXFLAGS="$$CXXFLAGS $$CPPFLAGS" cmake -S . -B $(PACKAGE_BUILD) $(CMAKE_GEN) \
	    -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCHMARKS=OFF; }
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PACKAGE_BUILD)

# Fuzzes one reader for a while: make fuzz TARGET=tsf_header SECONDS=300
# Targets: see fuzz/CMakeLists.txt. New inputs go to build-fuzz*/corpus/TARGET; a crash
# leaves its input in build-fuzz*/ (add it to fuzz/corpus/TARGET once fixed).
FUZZ_SECONDS   ?= $(if $(SECONDS),$(SECONDS),300)
FUZZ_QT_TARGETS := time_zone_table
FUZZ_BUILD     ?= $(if $(filter $(TARGET),$(FUZZ_QT_TARGETS)),build-fuzz-qt,build-fuzz)
FUZZ_GUI       := $(if $(filter $(TARGET),$(FUZZ_QT_TARGETS)),ON,OFF)

fuzz: deps
	@test -n "$(TARGET)" || { echo "usage: make fuzz TARGET=<name> [SECONDS=300]"; exit 2; }
	@test -f $(FUZZ_BUILD)/build.ninja || CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) \
	    $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON \
	    -DCORVANE_BUILD_GUI=$(FUZZ_GUI) -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD) --target fuzz_$(TARGET) -j $(JOBS)
	mkdir -p $(FUZZ_BUILD)/corpus/$(TARGET)
	$(FUZZ_BUILD)/bin/fuzz_$(TARGET) -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus/$(TARGET) fuzz/corpus/$(TARGET)
