# make run   - install what is missing, build, start the editor
# make test  - install what is missing, build, run every test (also under sanitizers)
# make bench - build and run the benchmarks
# make fuzz  - build the reader's fuzz target with clang and run it for a while

PACKAGES := cmake make g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev fonts-dejavu-core
FUZZ_PACKAGES := clang libclang-rt-14-dev
BUILD := build
JOBS := -j2
FUZZ_SECONDS ?= 60

.PHONY: all deps build run test test-asan bench fuzz fuzz-deps screenshots clean

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

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) $(JOBS)

run: build
	./$(BUILD)/quillet

test: build test-asan
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure $(JOBS)

# The core and its tests once more, with AddressSanitizer and UBSan.
test-asan: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLET_CORE_ONLY=ON -DQUILLET_SANITIZE=ON
	cmake --build $(BUILD)-asan $(JOBS)
	cd $(BUILD)-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure $(JOBS)

bench: build
	./$(BUILD)/bench/bench_quillet

fuzz-deps:
	$(call install_missing,$(PACKAGES) $(FUZZ_PACKAGES))

fuzz: fuzz-deps
	CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_CORE_ONLY=ON -DQUILLET_SANITIZE=ON -DQUILLET_FUZZ=ON
	cmake --build $(BUILD)-fuzz $(JOBS) --target fuzz_reader
	mkdir -p $(BUILD)-fuzz/corpus
	./$(BUILD)-fuzz/fuzz_reader -max_total_time=$(FUZZ_SECONDS) -max_len=8192 $(BUILD)-fuzz/corpus tests/fuzz/seeds

screenshots: build
	tools/screenshots.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz
