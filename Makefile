# Entry points. Every target installs what it needs first (make deps).
BUILD_DIR   ?= build
JOBS        ?= 2
CMAKE_GEN   := -G Ninja
PREFIX      ?= /usr/local

.PHONY: deps build install demo test test-release test-asan test-tsan bench bench-instructions fuzz clean

deps:
	@scripts/deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR)/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_DIR)/release -j $(JOBS)

# The library, its headers, CMake package and pkg-config file, kstools and its
# manual page, under $(PREFIX) (make install PREFIX=~/.local).
install: build
	@cmake --install $(BUILD_DIR)/release --prefix $(PREFIX)

demo: build
	@scripts/demo.sh $(BUILD_DIR)/release

test: deps
	@scripts/test.sh all

test-release test-asan test-tsan: deps
	@scripts/test.sh $(@:test-%=%)

bench: deps
	@scripts/bench.sh

# The task and calendar lists' instructions against their peers', under
# callgrind (about twenty minutes on two cores): the ratios without the
# machine's noise.
bench-instructions: deps
	@scripts/bench.sh --instructions

fuzz: deps
	@scripts/fuzz.sh

clean:
	rm -rf $(BUILD_DIR)
