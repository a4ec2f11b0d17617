# The two commands of the README: `make run` starts the simulator, `make test` runs every test.
# Both install what is missing (Debian packages) and build first.
BUILD := build/release

.PHONY: deps configure build run test bench asan clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset release >/dev/null

build: configure
	@cmake --build --preset release

run: build
	$(BUILD)/src/app/vandor

test: build
	ctest --preset release

bench: build
	@bash bench/run.sh

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	ctest --preset asan

clean:
	rm -rf build
