# The two set-up commands of the README, plus the developer conveniences
# behind them. Everything installs what it needs first, so a fresh Debian 12
# machine (root or sudo) needs nothing but this file's targets.
BUILD ?= build
JOBS  ?= $(shell nproc)

# CI (which sets CI=true) builds every tree with warnings as errors; a user's
# build only shows them, so that a newer compiler cannot stop `make run`.
WERROR := $(if $(filter true,$(CI)),ON,OFF)
export WERROR

.PHONY: deps configure build run test test-plain test-asan test-tsan coverage tidy format fuzz bench demo package install clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DTAVRIX_WERROR=$(WERROR)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Builds and starts the window as the invoking user (the one behind sudo);
# only the installing is done as root.
run:
	@bash scripts/run-tavrix.sh $(BUILD)

# make test runs three trees and fails if any of them fails: the normal
# build (with the fuzz targets for a bounded time), every test under
# AddressSanitizer with UBSan, and the threaded tests under ThreadSanitizer.
test: build
	@status=0; \
	$(MAKE) --no-print-directory test-plain || status=1; \
	$(MAKE) --no-print-directory test-asan || status=1; \
	$(MAKE) --no-print-directory test-tsan || status=1; \
	exit $$status

test-plain: build
	@echo "== tests ($(BUILD))"
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900

test-asan: deps
	@bash tests/sanitizers/run-tree.sh address $(BUILD)-asan $(JOBS)

test-tsan: deps
	@bash tests/sanitizers/run-tree.sh thread $(BUILD)-tsan $(JOBS)

# Line and branch coverage of the product code by the plain test suite, in a
# tree of its own; not part of `make test`.
coverage: deps
	@bash scripts/coverage.sh $(BUILD)-coverage $(JOBS)

# The checks of .clang-tidy over the product code; fails on any finding.
tidy: build
	@run-clang-tidy -quiet -p $(BUILD) -j $(JOBS) '$(CURDIR)/(protocol|table|batch|discovery|ui|tools)/.*\.cpp$$'

# Formats every C++ file of the tree by .clang-format.
format: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Every fuzz target for FUZZ_SECONDS each, one after the other.
FUZZ_SECONDS ?= 300
fuzz: build
	@bash fuzz/run-all.sh $(BUILD) $(FUZZ_SECONDS)

# Every benchmark program; their figures land in bench/RESULTS.md.
bench: build
	@bash scripts/run-benchmarks.sh $(BUILD)

# The window on a private test LAN of simulated devices (root or sudo). The
# display is checked before anything is built.
demo:
	@bash scripts/demo.sh --preflight
	@$(MAKE) --no-print-directory build
	@bash scripts/demo.sh $(BUILD)

# The Debian package, written to $(BUILD)/.
package: build
	@cd $(BUILD) && cpack -G DEB

# Installs the programs, desktop entry and icon (PREFIX defaults to /usr/local).
install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	rm -rf $(BUILD)
