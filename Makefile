# Entry points. Every target installs what it needs first (make deps).
BUILD_DIR   ?= build
JOBS        ?= 2
CMAKE_GEN   := -G Ninja

.PHONY: deps build demo test test-release test-asan test-tsan bench fuzz clean

deps:
	@scripts/deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR)/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_DIR)/release -j $(JOBS)

demo: build
	@scripts/demo.sh $(BUILD_DIR)/release

test: deps
	@scripts/test.sh all

test-release test-asan test-tsan: deps
	@scripts/test.sh $(@:test-%=%)

bench: deps
	@scripts/bench.sh

fuzz: deps
	@scripts/fuzz.sh

clean:
	rm -rf $(BUILD_DIR)
