# On a fresh Debian 12 machine:
#   make run    install what is missing, build, open the program
#   make test   install what is missing, build, run every test headless
#   make bench  build, then measure the program against its performance targets
#   make install PREFIX=/opt/actuator   build, then copy the program with its files into one folder
#   make package   build, then the Debian package and a .tar.gz of the portable folder (in build/)
#   make test-package   build the package, install it, run it as an ordinary user, remove it (root only)
#   make test-windows   cross-compile the library, SDK example and contract test for Windows, run them under Wine
BUILD   ?= build
TYPE    ?= RelWithDebInfo
JOBS    ?= $(shell nproc)
ARGS    ?=
CMAKE_FLAGS ?=

ASAN_BUILD ?= build-asan
WIN_BUILD ?= build-windows
PREFIX  ?= /opt/actuator

.PHONY: all deps configure build run test test-asan test-windows test-package bench install package clean

all: build

deps:
	@bash tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/ActuatorControl $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# A self-contained folder: program, library, translation, help, desktop entry and icon.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# actuator-control_<version>_<arch>.deb and actuator-control-<version>-Linux.tar.gz in $(BUILD)/.
package: build
	@bash tools/install-deps.sh --package
	cmake --build $(BUILD) --target package

# Builds the package, checks it, installs it with apt-get, runs the installed
# program as the user nobody and removes it again. Needs root; skipped (with
# a message) otherwise, or where the package is installed already.
test-package: package
	@bash tools/install-deps.sh --package-test
	bash tests/package/package-test.sh $(BUILD)

# Every test again, built with AddressSanitizer, UndefinedBehaviorSanitizer and
# leak checking; any report fails the run.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DACTUATOR_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:suppressions=$(CURDIR)/tools/asan.supp \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS)

# The simulated library (ActuatorLibrary.dll with its import library), the SDK
# folder with its built example, and a contract test of the library,
# cross-compiled with MinGW-w64 and run under Wine without a display. Only this
# target installs the cross compiler and Wine.
test-windows:
	@bash tools/install-deps.sh --windows
	cmake -S tools/windows -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/tools/mingw-w64.cmake
	cmake --build $(WIN_BUILD) -j $(JOBS)
	cd $(WIN_BUILD) && ctest --output-on-failure

# Measures the whole program (offscreen, six simulated devices) and prints one
# table of figures against their targets; a missed target is shown, not failed.
# Needs the simulated library (not built with ACTUATOR_LIBRARY set).
bench: build
	@test -x $(BUILD)/bench/actuator_bench || { echo "make bench needs the simulated library"; exit 1; }
	cd $(BUILD)/bench && QT_QPA_PLATFORM=offscreen ./actuator_bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD)
