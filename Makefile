# The two commands of the README: `make run` and `make test`.
PRESET ?= dev
JOBS ?= $(shell nproc)
BUILD := build/$(PRESET)

.PHONY: all deps configure build test run bench screenshots fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

run: build
	@$(BUILD)/mochuan $(ARGS)

bench:
	@$(MAKE) --no-print-directory build PRESET=release
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

screenshots: build
	@cmake --build --preset $(PRESET) --target screenshots
	@cmake --build --preset $(PRESET) --target paper-screenshots

fuzz:
	@$(MAKE) --no-print-directory build PRESET=fuzz

clean:
	rm -rf build
