# Velmorasca: set-up, build, run and test.
#
#   make run     install what is missing, build, start the engine in protocol mode
#   make test    install, build (normal and sanitizer builds), run every test
#   make play    xboard on your display against the engine
#   make match   a few headless games against fairymax, PGN in build/match.pgn
#                (make match UCI=1: the engine as a UCI engine through polyglot)
#   make soak    10 games each against fairymax, hoichess and stockfish, 12 games
#                from FEN positions, then takebacks: about 30 minutes
#   make bench   release build in build-bench/; perft 6 and the search benchmark
#                against the yardstick, medians of 5 runs
#   make fuzz    the fuzz targets in build-fuzz/, a minute each
#   make clean   removes every build folder
#   make format  lays out the C++ sources as .clang-format says (make test checks it)
#   make windows       cross build of velmorasca.exe and velmorutil.dll in build-win/
#   make test-windows  the Windows build's protocol and perft tests under Wine
#   make install       installs under PREFIX (default /usr/local; DESTDIR honoured)
#   make uninstall     removes what make install installed (build/install_manifest.txt)
#   make deb           the Debian package velmorasca_VERSION-1_ARCH.deb in build/
#   make windows-zip   velmorasca-VERSION-win64.zip in build-win/

BUILD     ?= build
SAN_BUILD ?= build-san
REL_BUILD ?= build-rel
WIN_BUILD ?= build-win
JOBS      ?= $(shell nproc)

# Debian packages the build, the tests and the tools need.
PACKAGES := build-essential cmake ninja-build libgtest-dev python3 \
            xboard fairymax hoichess xvfb libfltk1.3-dev xdotool imagemagick x11-utils \
            xdg-utils clang libclang-rt-dev stockfish polyglot clang-format fonts-dejavu-core \
            lintian man-db

# make match GAMES=6 TC=2:00 OPPONENT=hoichess UCI=1
GAMES    ?= 4
TC       ?= 1:00
OPPONENT ?= fairymax

# Debian installs xboard, fairymax and hoichess in /usr/games.
export PATH := $(PATH):/usr/games

CONFIGURE = cmake -S . -G Ninja -Wno-dev

.PHONY: all deps build build-san build-rel run test play match bench clean fuzz soak format format-check \
        deps-windows deps-wine windows test-windows install uninstall deb windows-zip

all: build

# Installs only what dpkg does not list as installed, updating the package
# lists first; apt-get needs root, so sudo is used when we are not.
deps:
	@$(MAKE) --no-print-directory install-packages INSTALL="$(PACKAGES)"

# What the Windows build needs (the cross compiler), and what its tests
# need besides: Wine, Python for the test scripts, Xvfb, xdotool and ImageMagick
# for the window test, the DejaVu fonts for the board's pieces under Wine,
# XBoard and fairymax for a game under XBoard.
WIN_PACKAGES  := cmake ninja-build g++-mingw-w64-x86-64
WINE_PACKAGES := wine wine64 python3 xvfb xdotool imagemagick fonts-dejavu-core xboard fairymax
deps-windows:
	@$(MAKE) --no-print-directory install-packages INSTALL="$(WIN_PACKAGES)"
deps-wine:
	@$(MAKE) --no-print-directory install-packages INSTALL="$(WINE_PACKAGES)"

.PHONY: install-packages
install-packages:
	@missing=""; \
	for p in $(INSTALL); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" = 0 ]; then sudo=; else sudo=sudo; fi; \
	  $$sudo apt-get update && \
	  $$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi

build: deps
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=OFF -DWITH_WINDOW=ON
	ninja -C $(BUILD) -j $(JOBS)

# Address and undefined-behaviour sanitizers, unoptimised.
build-san: deps
	$(CONFIGURE) -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DWITH_WINDOW=ON
	ninja -C $(SAN_BUILD) -j $(JOBS)

build-rel: deps
	$(CONFIGURE) -B $(REL_BUILD) -DCMAKE_BUILD_TYPE=Release -DSANITIZE=OFF
	ninja -C $(REL_BUILD) -j $(JOBS)

run: build
	$(BUILD)/velmorasca xboard

# Every test in the normal build (the xboard games start their own Xvfb);
# then the suite again in the sanitizer build, without the long games.
test: build build-san format-check
	ctest --test-dir $(BUILD) --output-on-failure -j 2
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j 2 -E 'soak'
	tests/fuzz/run.sh 6

# Every C++ source laid out as .clang-format says; make format rewrites them so.
format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The engine runs from its own folder, where its ini, log and book lie.
play: build
	xboard -fcp "./velmorasca xboard" -fd "$(CURDIR)/$(BUILD)" \
	  -firstIsUCI false -firstProtocolVersion 2 -saveSettingsOnExit false

# UCI=1 plays the engine through its UCI mode, as xboard's -fUCI runs it (polyglot between).
match: build
	tools/match.sh --opponent $(OPPONENT) --games $(GAMES) --tc $(TC) --pgn $(BUILD)/match.pgn \
	  $(if $(filter 1 yes true,$(UCI)),--uci)

# Release build with the yardstick perft beside it; medians of 5 runs and the ratios.
bench: deps
	tools/bench.sh --runs 5

# libFuzzer targets in build-fuzz/ (clang), each for FUZZ_SECONDS seconds.
FUZZ_SECONDS ?= 60
fuzz:
	tests/fuzz/run.sh $(FUZZ_SECONDS)

# Many games under xboard: SOAK_GAMES against each of fairymax, hoichess and
# stockfish, both colours in turn, and 12 more (two from each of six FEN
# positions) against hoichess, then scripted takebacks; PGN and a summary in
# build/soak/. The defaults (42 games at 0:30) take about 30 minutes.
# make soak SOAK_GAMES=20 SOAK_TC=0:30
SOAK_GAMES ?= 10
SOAK_TC    ?= 0:30
soak: build
	tools/soak.sh --games $(SOAK_GAMES) --tc $(SOAK_TC) --out $(BUILD)/soak

# velmorasca.exe, velmorutil.dll and velmorasca-perft.exe for 64-bit Windows.
windows: deps-windows
	$(CONFIGURE) -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
	ninja -C $(WIN_BUILD) -j $(JOBS)

# The protocol test scripts and the perft data, the programs run by Wine
# in a private prefix under $(WIN_BUILD)/.
test-windows: windows deps-wine
	tests/windows/run.sh $(WIN_BUILD)

# The build installed under PREFIX (binaries stripped); DESTDIR stages it
# elsewhere. An installed copy keeps its settings, log and book in the
# user's XDG folders (README, "Installing").
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

# Every file the last make install recorded, then the engine's own folder.
uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "Nothing recorded: $(BUILD)/install_manifest.txt is missing"; exit 1; }
	@while IFS= read -r f || [ -n "$$f" ]; do \
	  if [ -e "$(DESTDIR)$$f" ] || [ -L "$(DESTDIR)$$f" ]; then echo "Removing $(DESTDIR)$$f"; rm -f "$(DESTDIR)$$f"; fi; \
	done < $(BUILD)/install_manifest.txt
	@rmdir "$(DESTDIR)$(PREFIX)/share/games/velmorasca" 2>/dev/null || true

# The Debian package from the normal build (tools/makedeb.sh), then lintian's view of it.
deb: build
	ninja -C $(BUILD) deb
	lintian $(BUILD)/velmorasca_*-1_*.deb

# The Windows build's files and a README in one zip.
windows-zip: windows
	ninja -C $(WIN_BUILD) windows-zip

# Every build folder: normal, sanitizer, release, Windows, benchmark, fuzz.
clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(REL_BUILD) $(WIN_BUILD) build-bench build-fuzz
