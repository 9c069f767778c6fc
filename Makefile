# Two commands do everything on a fresh Debian 12 or 13 machine:
#   make run    installs what is missing, builds, starts the program
#   make test   installs what is missing, builds, runs every test headless

BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps deps-run configure build run test bench clean

all: build

# What building and running need; make test adds what the tests use.
deps-run:
	@./scripts/install-deps.sh run

deps:
	@./scripts/install-deps.sh

configure: deps-run
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Running needs the program alone, not the tests and benchmarks.
run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tessaly
	@./scripts/run.sh $(BUILD_DIR)/app/tessaly

# The tests' packages come first, so that the configure step finds the
# benchmark library they bring.
test: deps
	@$(MAKE) --no-print-directory build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: deps
	@$(MAKE) --no-print-directory build
	@./scripts/bench.sh $(BUILD_DIR)

# Installs into PREFIX (default /usr/local); DESTDIR=... stages it elsewhere.
PREFIX ?= /usr/local
.PHONY: install screenshots
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Builds the Debian package build-package/tessaly_<version>_<arch>.deb as a
# Debian build would (scripts/build-package.sh) and checks it with lintian
# (an error fails), run as nobody: lintian unpacks what it is given and
# should not do so as root.
.PHONY: package
package: deps
	@./scripts/build-package.sh build-package >/dev/null
	@./scripts/lintian-package.sh build-package/tessaly_*.deb

# Retakes the README's pictures (docs/screenshots/) in a private Xvfb.
screenshots: build
	@./scripts/screenshots.sh $(BUILD_DIR)/app/tessaly docs/screenshots

# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for 30
# seconds on its seed corpus (fuzz/corpus/); fails on any finding.
.PHONY: fuzz-deps fuzz-smoke
fuzz-deps:
	@./scripts/install-deps.sh fuzz

fuzz-smoke: fuzz-deps
	@JOBS=$(JOBS) ./scripts/fuzz-smoke.sh build-fuzz 30

# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-sanitize/) and runs every test there; fails on any report.
.PHONY: test-sanitize
test-sanitize: deps
	@JOBS=$(JOBS) ./scripts/test-sanitize.sh build-sanitize

# make test in a fresh minimal Debian 13 (or 12) root made with mmdebstrap
# from this machine's mirror, the tree cloned into root's home there: what
# a newcomer on that release gets (scripts/test-in-root.sh; needs root).
.PHONY: test-debian12 test-debian13
test-debian12 test-debian13:
	@./scripts/install-deps.sh roots
	@./scripts/test-in-root.sh $(if $(filter test-debian13,$@),trixie,bookworm)

clean:
	rm -rf $(BUILD_DIR)
