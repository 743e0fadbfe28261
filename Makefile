# The set-up commands of the README:
#   make run      installs what the program needs, builds it, and starts Sonavistor
#   make test     installs what the tests need too, builds, and runs every test:
#                 the suite, the suite again built with AddressSanitizer and
#                 UndefinedBehaviorSanitizer, and each fuzz target for 30 s;
#                 then lists the skipped tests with their reasons
#   make check    only the suite, in the normal build
#   make fuzz     the fuzz targets for longer (FUZZ_SECONDS, 600 each)
#   make demo     the same program with a simulated meter, for trying it without one
#   make package  the Debian packages (build/sonavistor_<version>_<arch>.deb, ...)
#   make install  installs the build (PREFIX=/usr/local; run `make build` first)
# The build is optimised with debug information (RelWithDebInfo); another
# type: make run BUILD_TYPE=Debug (it stays until another one is named).
BUILD ?= build
SANITIZE_BUILD ?= build-asan
FUZZ_BUILD ?= $(SANITIZE_BUILD)
JOBS ?= $(shell nproc)
BUILD_TYPE ?=
PREFIX ?= /usr/local

.PHONY: deps test-deps configure configure-tests build build-tests run test check sanitize fuzz-smoke fuzz \
  demo package install clean

deps:
	bash scripts/install-deps

test-deps:
	bash scripts/install-deps --test

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(if $(BUILD_TYPE),-DCMAKE_BUILD_TYPE=$(BUILD_TYPE))

# The same build folder, with the tests and benchmarks.
configure-tests: test-deps
	cmake -S . -B $(BUILD) -G Ninja $(if $(BUILD_TYPE),-DCMAKE_BUILD_TYPE=$(BUILD_TYPE)) \
	  -DSONAVISTOR_TESTS=ON -DSONAVISTOR_BENCHMARKS=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

build-tests: configure-tests
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/bin && ./sonavistor

# The program with a simulated meter instead of a real one.
demo: build
	cd $(BUILD)/demo && ./sonavistor-demo

test: configure-tests
	BUILD=$(BUILD) SANITIZE_BUILD=$(SANITIZE_BUILD) JOBS=$(JOBS) bash scripts/run-all-tests

check: build-tests
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@bash scripts/list-skips $(BUILD)

# The suite in the build with AddressSanitizer (leaks too),
# UndefinedBehaviorSanitizer and the fuzz targets (clang, see
# scripts/configure-sanitized-build), without the kernel and package tests
# (they test the normal build's programs in a virtual machine and a package).
sanitize: test-deps
	bash scripts/configure-sanitized-build $(SANITIZE_BUILD)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -LE 'kernel|package'

fuzz-smoke: test-deps
	FUZZ_BUILD=$(FUZZ_BUILD) JOBS=$(JOBS) bash scripts/run-fuzzers 30

FUZZ_SECONDS ?= 600
fuzz: test-deps
	FUZZ_BUILD=$(FUZZ_BUILD) JOBS=$(JOBS) bash scripts/run-fuzzers $(FUZZ_SECONDS)

package: build
	cmake --build $(BUILD) --target package
	@ls -1 $(BUILD)/*.deb

# Without building: `sudo make install` after `make build` leaves the build
# tree to its owner.
install:
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) build-fuzz
