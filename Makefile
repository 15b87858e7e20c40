# Two commands on a fresh Debian 12 machine:
#   make run    install what is missing, build, open the program
#   make test   install what is missing, build, run every test headless
BUILD   ?= build
TYPE    ?= RelWithDebInfo
JOBS    ?= $(shell nproc)
ARGS    ?=
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test clean

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

clean:
	rm -rf $(BUILD)
