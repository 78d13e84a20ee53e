# make run   - install what is missing, build, start the editor
# make test  - install what is missing, build, run every test (also under sanitizers,
#              a format check and a short fuzz run of the project file reader)
# make bench - build and run the benchmarks
# make fuzz  - build the reader's fuzz target with clang and run it for a while
# make install - build and install under PREFIX (/usr/local), into DESTDIR if given
# make deb   - build the Debian package build/quillet_VERSION_ARCH.deb

PACKAGES := cmake make g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev fonts-dejavu-core
TEST_PACKAGES := clang-format clang libclang-rt-14-dev xvfb xdotool \
                 dpkg-dev desktop-file-utils libxml2-utils shared-mime-info man-db groff-base
BUILD := build
JOBS := -j2
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 30
# Compiler warnings fail the build; WERROR=OFF turns that off for a newer compiler.
WERROR ?= ON
CCACHE := $(shell command -v ccache 2>/dev/null)
CMAKE_FLAGS := -DQUILLET_WERROR=$(WERROR) $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE))
FORMAT_FILES = $(shell git ls-files -co --exclude-standard -- 'Src/*.cpp' 'Src/*.h' 'tests/*.cpp' 'tests/*.h' \
                 'bench/*.cpp' 'bench/*.h' 'tools/*.cpp' 'tools/*.h' 2>/dev/null)

.PHONY: all deps test-deps build run test test-asan format format-check fuzz-smoke bench fuzz screenshots install deb clean

all: build

define install_missing
	@missing=""; for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

test-deps:
	$(call install_missing,$(PACKAGES) $(TEST_PACKAGES))

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) $(JOBS)

run: build
	./$(BUILD)/quillet

test: test-deps format-check build test-asan fuzz-smoke
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure $(JOBS)

# The core and its tests once more, with AddressSanitizer and UBSan.
test-asan: test-deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLET_CORE_ONLY=ON -DQUILLET_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD)-asan $(JOBS)
	cd $(BUILD)-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure $(JOBS)

format:
	clang-format -i $(FORMAT_FILES)

format-check: test-deps
	@clang-format --dry-run --Werror $(FORMAT_FILES) || { echo "Not formatted: run 'make format'."; exit 1; }

# A short run of the reader's fuzz target over its seed corpus.
fuzz-smoke: test-deps
	@$(MAKE) --no-print-directory fuzz-run FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS) > $(BUILD)-fuzz.log 2>&1 \
	  && grep -h '^Done' $(BUILD)-fuzz.log \
	  || { tail -n 60 $(BUILD)-fuzz.log; echo "fuzz run failed, see $(BUILD)-fuzz.log"; exit 1; }

fuzz: test-deps fuzz-run

fuzz-run:
	CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_CORE_ONLY=ON \
	  -DQUILLET_SANITIZE=ON -DQUILLET_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD)-fuzz $(JOBS) --target fuzz_reader
	mkdir -p $(BUILD)-fuzz/corpus
	./$(BUILD)-fuzz/fuzz_reader -max_total_time=$(FUZZ_SECONDS) -max_len=8192 $(BUILD)-fuzz/corpus tests/fuzz/seeds

bench: build
	cmake --build $(BUILD) $(JOBS) --target bench_quillet
	./$(BUILD)/bench/bench_quillet
	cmake --build $(BUILD) $(JOBS) --target bench_check
	./$(BUILD)/bench/bench_check
	cmake --build $(BUILD) $(JOBS) --target bench_filter
	./$(BUILD)/bench/bench_filter

screenshots: build
	tools/screenshots.sh $(BUILD)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# dpkg-shlibdeps (dpkg-dev) finds the package's dependencies.
deb: build
	$(call install_missing,dpkg-dev)
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz $(BUILD)-fuzz.log
