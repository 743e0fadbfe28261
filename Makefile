# The set-up commands of the README:
#   make run      installs what is missing, builds, and starts Sonavistor
#   make test     installs what is missing, builds, and runs every test
#   make demo     the same program with a simulated meter, for trying it without one
#   make package  the Debian packages (build/sonavistor_<version>_<arch>.deb, ...)
#   make install  installs the build (PREFIX=/usr/local; run `make build` first)
# The build is optimised with debug information (RelWithDebInfo); another
# type: make run BUILD_TYPE=Debug (it stays until another one is named).
BUILD ?= build
JOBS ?= $(shell nproc)
BUILD_TYPE ?=
PREFIX ?= /usr/local

.PHONY: deps configure build run test demo package install clean

deps:
	bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(if $(BUILD_TYPE),-DCMAKE_BUILD_TYPE=$(BUILD_TYPE))

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/bin && ./sonavistor

# The program with a simulated meter instead of a real one.
demo: build
	cd $(BUILD)/demo && ./sonavistor-demo

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

package: build
	cmake --build $(BUILD) --target package
	@ls -1 $(BUILD)/*.deb

# Without building: `sudo make install` after `make build` leaves the build
# tree to its owner.
install:
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
