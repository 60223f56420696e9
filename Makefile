# The two commands a newcomer needs: `make run` and `make test`. Everything builds into build/.
BUILD     ?= build
JOBS      ?= $(shell nproc)
CMAKE_OPT ?=
ifeq ($(CI),true)
CMAKE_OPT += -DTXL_WERROR=ON
endif

.PHONY: all setup configure build run test bench interop assets install deb screenshots format clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_OPT) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# `make bench CASES=exchange:` runs only the cases whose names start so.
bench: setup
	@cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DTXL_BENCH=ON $(CMAKE_OPT) >/dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS) --target txl_bench
	@$(BUILD)-bench/bench/txl_bench $(CASES)

# Our files checked with programs no one here wrote: LibreOffice and Python's vobject, both ways.
interop: build
	@bash scripts/setup.sh interop
	@/usr/bin/python3 scripts/interop.py $(BUILD)/txldb

# Installs into PREFIX (default /usr/local); DESTDIR works as usual.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in dist/.
deb:
	@bash scripts/deb.sh

# The README's pictures, in docs/screenshots/.
screenshots: build
	@bash scripts/screenshots.sh $(BUILD)

assets: configure
	@cmake --build $(BUILD) --target draw_assets
	@$(BUILD)/assets/draw_assets assets images

# Every C++ file formatted as .clang-format says (CI checks it with scripts/format.sh --check).
format:
	@bash scripts/format.sh

clean:
	@rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-asan build-deb dist
