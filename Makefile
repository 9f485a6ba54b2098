# The two commands of the project: `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build suite run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVANTOR_BENCH=OFF >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

suite: build
	@scripts/make-suite $(BUILD_DIR)

run: suite
	@scripts/run $(BUILD_DIR) RTNI01

test: build
	@scripts/test $(BUILD_DIR)

bench: deps
	@cmake -S . -B $(BUILD_DIR)-bench -DCMAKE_BUILD_TYPE=Release -DVANTOR_BENCH=ON -DVANTOR_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_DIR)-bench -j $(JOBS)
	@scripts/bench $(BUILD_DIR)-bench

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench
