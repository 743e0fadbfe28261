# The two set-up commands of the README:
#   make run   installs what is missing, builds, and starts Sonavistor
#   make test  installs what is missing, builds, and runs every test
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test demo clean

deps:
	bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/bin && ./sonavistor

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
