# The two commands of the README: `make run` starts the simulator, `make test` runs every test.
# Both install what is missing (Debian packages) and build first; a build with nothing to do says so in
# one line. `make install PREFIX=…` installs the programs, the desktop entry, the icons and the examples.
BUILD := build/release
PREFIX ?= /usr/local

.PHONY: deps configure build run test bench asan install package clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset release >/dev/null

build: configure
	@bash scripts/build.sh release

run: build
	@bash scripts/run.sh $(BUILD)/src/app/vandor

test: build
	@ctest --preset release

bench: build
	@cmake --build --preset release --target benchmarks
	@bash bench/run.sh

asan: deps
	@cmake --preset asan >/dev/null
	@bash scripts/build.sh asan
	@ctest --preset asan

install: build
	@cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf build
