# The two promises of the README: `make test` and `make demo`, on a fresh Debian 12 machine.
BUILD := build

.PHONY: all deps configure build test demo bench format clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake --preset default

build: configure
	cmake --build --preset default

test: build
	ctest --preset default

demo: build
	scripts/demo $(BUILD)

bench: configure
	cmake --build --preset default --target bench-tools
	scripts/bench $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
