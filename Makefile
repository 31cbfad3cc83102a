# Pictora: the two commands a newcomer needs, and a few for developers.
#   make run    installs what is missing, builds, opens Pictora on a demo album
#   make test   installs what is missing, builds, runs every test, plainly and
#               under AddressSanitizer and UndefinedBehaviorSanitizer
#   make package       the Debian package build/package/pictora_<version>_<arch>.deb
#   make package-test  makes it and checks its contents, metadata and lintian's verdict
SHELL := /bin/bash
DEV := build/dev
DEMO := $(DEV)/demo
RUNDIR := $(DEV)/run

.PHONY: run test deps build demo bench fuzz fuzz-build package package-test format clean

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

# A Release build of its own, so the everyday build's tests stay as they are.
package: deps
	@cmake --preset package >/dev/null
	@cmake --build --preset package
	@cpack --preset package

package-test: package
	@bash tests/package/test_package.sh build/package/pictora_*.deb

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf build
