# The two set-up commands of the README:
#   make run   installs what is missing, builds, and starts Sonavistor
#   make test  installs what is missing, builds, and runs every test
#   make demo  the same program with a simulated meter, for trying it without one
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

# The program with a simulated meter instead of a real one.
demo: build
	cd $(BUILD)/demo && ./sonavistor-demo

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
