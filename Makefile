# Two entry points: `make run` (the main job) and `make test` (every test).
MAKEFLAGS += --no-print-directory
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test asan-test bench format lint clean

all: build

deps:
	@bash scripts/setup-deps.sh

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

asan-test: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DVANTOR_SANITIZE=ON -DVANTOR_BENCH=OFF
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_DIR)/bin/bench_*; do echo "== $$b"; $$b; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The format check and clang-tidy (.clang-tidy) over the program's own sources.
lint: build
	@bash scripts/setup-deps.sh clang-format-14 clang-tidy-14
	git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run --Werror
	run-clang-tidy-14 -p $(BUILD_DIR) -j $(JOBS) -quiet '$(CURDIR)/(model|engine|script|cli|ui)/.*\.cpp$$'

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)

# The Debian package of the release build, written to $(BUILD_DIR)/vantor_<version>_<arch>.deb;
# dpkg-dev's dpkg-shlibdeps works out which library packages it depends on.
.PHONY: deb
deb: build
	@bash scripts/setup-deps.sh dpkg-dev
	cd $(BUILD_DIR) && cpack -G DEB

# libFuzzer targets of the Access back end with clang: `make fuzz FUZZ_SECONDS=1800`.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 1800
.PHONY: fuzz
fuzz:
	@bash scripts/setup-deps.sh clang-14 libclang-rt-14-dev
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
		-DVANTOR_FUZZ=ON -DVANTOR_SANITIZE=ON -DVANTOR_BENCH=OFF -DVANTOR_DESKTOP=OFF \
		-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_access_open fuzz_mdb_reader fuzz_encryption_header fuzz_jet_writer \
		vantor-mdb-reader
	@bash scripts/fetch-testdata.sh $(FUZZ_DIR)/testdata
	bash fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)
