# Velmorasca: set-up, build, run and test.
#   make run    install what is missing, build, start the engine in protocol mode
#   make test   install, build (normal and sanitizer builds), run every test
#   make play   xboard on your display against the engine
#   make match  a headless match against fairymax, PGN in build/match.pgn
#   make bench  release build; perft and search benchmarks

SHELL := /bin/bash
BUILD ?= build
SAN_BUILD ?= build-san
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

# Debian packages the build, the tests and the tools need.
PACKAGES := build-essential cmake ninja-build libgtest-dev python3 \
            xboard fairymax hoichess xvfb xauth libfltk1.3-dev xdotool imagemagick x11-utils

.PHONY: all deps build build-san run test test-unit play match bench clean

all: build

# Installs only what is missing (apt-get needs root: sudo is used when we are not).
deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi; \
	  $$SUDO apt-get update && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y --no-install-recommends $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

$(SAN_BUILD)/build.ninja:
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	ninja -C $(BUILD) -j $(JOBS)

build-san: deps $(SAN_BUILD)/build.ninja
	ninja -C $(SAN_BUILD) -j $(JOBS)

run: build
	$(BUILD)/velmorasca xboard

# Every test in the normal build; then the whole suite again in the
# address + undefined-behaviour sanitizer build, except the long xboard games.
test: build build-san
	ctest --test-dir $(BUILD) --output-on-failure -j 2
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j 2 -E 'xboard_games|soak'

test-unit: build
	$(BUILD)/tests/velmorasca-unit

play: build
	xboard -fcp "./velmorasca xboard" -fd "$(CURDIR)/$(BUILD)" -firstProtocolVersion 2 -firstIsUCI false

match: build
	python3 tools/match.py --games 4 --tc 1:00 --pgn $(BUILD)/match.pgn

bench: deps
	cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	ninja -C build-rel -j $(JOBS)
	@if [ -x tools/bench.sh ]; then tools/bench.sh build-rel; else \
	  build-rel/velmorasca-perft 5; build-rel/velmorasca-bench; fi

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-rel
