# Pictora: the two commands a newcomer needs, and a few for developers.
#   make run    installs what is missing, builds, opens Pictora on a demo album
#   make test   installs what is missing, builds, runs every test, plainly and
#               under AddressSanitizer and UndefinedBehaviorSanitizer
SHELL := /bin/bash
DEV := build/dev
DEMO := $(DEV)/demo
RUNDIR := $(DEV)/run

.PHONY: run test deps build demo bench fuzz fuzz-build format clean

deps:
	@bash tools/install-deps.sh

build: deps
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev

# The demo album is made once; Pictora runs in a folder whose "pathdb" names
# it, so a user's own album at the usual place still comes first.
demo: build
	@if [ ! -f $(DEMO)/database.mdb ]; then $(DEV)/tools/pictora-album/pictora-album demo $(DEMO); fi
	@mkdir -p $(RUNDIR)
	@printf '%s\r\n' "$(abspath $(DEMO))/database.mdb" > $(RUNDIR)/pathdb

run: demo
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "Pictora is a desktop program and needs a desktop session, but none is open here (DISPLAY is not set)."; \
	    echo "Without a desktop, run it in a virtual X server:  xvfb-run make run"; \
	    exit 1; \
	fi
	@cd $(RUNDIR) && ../src/pictora

test: deps fuzz-build
	@bash fuzz/run.sh replay
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev
	@ctest --preset dev
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan

bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench
	@for b in build/bench/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# The fuzz targets (clang, libFuzzer): `make fuzz` runs each for FUZZ_SECONDS
# (60 by default); `make test` replays each over its seed corpus.
fuzz-build: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz

fuzz: fuzz-build
	@bash fuzz/run.sh fuzz

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf build
