# The two promises of the README: `make test` and `make demo`, on a fresh Debian 12 machine.
BUILD := build

.PHONY: all deps configure build test test-fast sanitize fuzz-smoke fuzz demo bench package windows \
	windows-zip windows-installer test-windows format screenshots clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake --preset default

build: configure
	cmake --build --preset default

test: build
	ctest --preset default

# The unit tests only: seconds, for the edit-build-test loop.
test-fast: build
	ctest --preset default -L unit

# The tests again, built with clang, AddressSanitizer and UBSan, in build-san/.
sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

# Each fuzz target for a few seconds (CI), or ten minutes each (make fuzz).
fuzz-smoke: sanitize
	scripts/fuzz build-san 10

fuzz: sanitize
	scripts/fuzz build-san 600

demo: build
	scripts/demo $(BUILD)

# The user guide's pictures, made from the real program (docs/handleiding/).
screenshots: build
	scripts/install-deps screenshots
	scripts/screenshots $(BUILD)

bench: configure
	scripts/install-deps bench
	cmake --build --preset default --target bench-tools
	scripts/bench $(BUILD)

# The Windows programs, tools and test programs, cross-built with MinGW-w64
# against the Qt SDK in ../shared/windows/, in build-windows/bin/ with the
# DLLs they need.
windows:
	scripts/install-deps windows
	scripts/windows-deps
	cmake --preset windows
	cmake --build --preset windows
	scripts/windows-deploy build-windows

# The zip a club unpacks: build-windows/UploadTavrel-<version>-win64.zip.
windows-zip: windows
	scripts/windows-zip build-windows

# The installer a club runs: build-windows/UploadTavrel-<version>-setup.exe.
windows-installer: windows-zip
	scripts/windows-installer build-windows

# Every test of the Windows build, under Wine.
test-windows: windows-installer
	scripts/test-windows build-windows

# The Debian package, in build/package/.
package: build
	cpack --config $(BUILD)/CPackConfig.cmake -B $(BUILD)/package

format:
	scripts/install-deps format
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-san build-windows
