# The two set-up commands of the README, plus the developer conveniences
# behind them. Everything installs what it needs first, so a fresh Debian 12
# machine (root or sudo) needs nothing but this file's targets.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: deps configure build run test bench clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-tavrix.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900

bench: build
	@bash scripts/run-benchmarks.sh $(BUILD)

clean:
	rm -rf $(BUILD)
