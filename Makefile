# The two commands of this project: `make test` and `make demo`.
# Both install what they need from Debian first, then configure and build.
# Two trees: build/ is the Linux build, build-win/ the 32-bit Windows build
# (cross-compiled with mingw-w64, its tests run under Wine).

BUILD_DIR  ?= build
WIN_DIR    ?= build-win
WIN64_DIR  ?= build-win64
FUZZ_DIR   ?= build-fuzz
ASAN_DIR   ?= build-asan
TSAN_DIR   ?= build-tsan
JOBS       ?= $(shell nproc)
FUZZ_TIME  ?= 60

# Everything the build, the tests, the demo and the benchmarks need, in one place.
DEBIAN_PACKAGES := \
  g++ cmake ninja-build pkg-config ccache dpkg-dev \
  zlib1g-dev libzstd-dev nettle-dev libgtest-dev libgmock-dev \
  libfltk1.3-dev libjpeg-dev libpng-dev \
  libx11-dev libxext-dev libxft-dev libxrender-dev libxfixes-dev libxcursor-dev \
  libxinerama-dev libfontconfig-dev \
  liblnk-utils xvfb xauth xdotool imagemagick x11-utils \
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation \
  clang libclang-rt-14-dev clang-format zip unzip openssl osslsigncode \
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine32:i386 wine64

# Only `make bench` needs these: the peers it measures against and its clock.
# (The game data it measures on is fetched by bench/game-data.sh itself.)
BENCH_PACKAGES := nsis time zstd 7zip

# A clean clone elsewhere reuses the compiler cache: paths below the tree are
# hashed relative to it.
export CCACHE_BASEDIR := $(CURDIR)
# The test programs share a precompiled header; the cache may use it and the files
# compiled with it when the header's contents, not its timestamps, are the same.
export CCACHE_SLOPPINESS := pch_defines,time_macros,include_file_mtime,include_file_ctime

EXTRA_PACKAGES :=

.PHONY: all deps configure build build-win package test format format-check test-linux test-package test-win test-asan tsan demo fuzz bench soak clean

all: build

# 32-bit Wine may need installed libraries at the versions the i386 lists offer; CI
# runs change them, elsewhere `make deps WINE32=1` allows it.
WINE32 ?=
deps:
	@./.ci/add-source-lists.sh
	@WINE32=$(WINE32) ./.ci/install-packages.sh $(DEBIAN_PACKAGES) $(EXTRA_PACKAGES)

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

WIN_CONFIGURE = cmake -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DSE_LINUX_BIN_DIR=$(abspath $(BUILD_DIR))/bin

$(WIN_DIR)/build.ninja:
	$(WIN_CONFIGURE) -S . -B $(WIN_DIR)

$(WIN64_DIR)/build.ninja:
	$(WIN_CONFIGURE) -S . -B $(WIN64_DIR) -DSE_MINGW_TRIPLE=x86_64-w64-mingw32

# The 32-bit Windows programs: what authors and players get.
build-win: deps $(WIN_DIR)/build.ninja
	cmake --build $(WIN_DIR) -j $(JOBS)

# The players' Debian package of the Linux programs (CPack): build/addon-setup_*.deb.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

test: format-check test-linux test-package test-win test-asan

# Every C++ source follows .clang-format; `make format` applies it, the check fails on
# any file that it would change.
FORMATTED_SOURCES = $(shell git ls-files '*.cpp' '*.h')
format-check: deps
	@echo "Checking the format of $(words $(FORMATTED_SOURCES)) C++ sources against .clang-format"
	@clang-format --dry-run --Werror $(FORMATTED_SOURCES)

format: deps
	clang-format -i $(FORMATTED_SOURCES)

test-linux: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The package installed with dpkg -i, and the demo add-on run through the installed
# program as a player runs it.
test-package: package
	./tests/package/run-installed.sh $(BUILD_DIR)

# The Windows suite runs under Wine in a scratch prefix of its own, with one
# wineserver kept alive for the whole run. A test that fails is run once more: now and
# then a Wine program dies before its first line of output (seen once in 357 tests on
# a loaded 2-core machine); a failure of the test itself fails both runs.
# The programs tested are the ones handed out: the 32-bit tree, in a 64-bit (WoW64)
# prefix as on a player's 64-bit Windows. Only where 32-bit programs cannot run at all
# (a kernel without 32-bit support, or no 32-bit Wine) are the same sources built for
# 64-bit Windows and tested under wine64 instead, with a WARNING; the 32-bit tree then
# builds only the programs it hands out (compiling its tests would cost minutes for
# nothing). The last line says which programs ran.
WIN_CTEST = ctest --output-on-failure -j $(JOBS) --timeout 600 --repeat until-pass:2
WIN_SUMMARY = sed -n 's/^\(.*tests passed.*\)$$/\1/p'
test-win: build
	@if ./.ci/kernel-runs-32bit.sh && /usr/lib/wine/wine --version >/dev/null 2>&1; then \
	  [ -f $(WIN_DIR)/build.ninja ] || $(WIN_CONFIGURE) -S . -B $(WIN_DIR); \
	  cmake --build $(WIN_DIR) -j $(JOBS) || exit 1; \
	  ./tests/wine/with-wine.sh $(WIN_DIR)/wineprefix $(WIN_CTEST) --test-dir $(WIN_DIR) \
	    -O $(WIN_DIR)/wine-suite.log; status=$$?; \
	  echo "Windows suite: the shipped 32-bit programs ($(WIN_DIR), i686) in a 64-bit (WoW64) Wine prefix:" \
	    "$$($(WIN_SUMMARY) $(WIN_DIR)/wine-suite.log)"; \
	  exit $$status; \
	else \
	  echo "WARNING: 32-bit Windows programs cannot run here (no 32-bit kernel support or no 32-bit Wine):" \
	    "the shipped 32-bit programs are NOT tested; the 64-bit build is tested under wine64 instead"; \
	  [ -f $(WIN_DIR)/build.ninja ] || $(WIN_CONFIGURE) -S . -B $(WIN_DIR) -DBUILD_TESTING=OFF; \
	  cmake --build $(WIN_DIR) -j $(JOBS) || exit 1; \
	  [ -f $(WIN64_DIR)/build.ninja ] || $(WIN_CONFIGURE) -S . -B $(WIN64_DIR) -DSE_MINGW_TRIPLE=x86_64-w64-mingw32; \
	  cmake --build $(WIN64_DIR) -j $(JOBS) || exit 1; \
	  SE_WINE=/usr/lib/wine/wine64 ./tests/wine/with-wine.sh $(WIN64_DIR)/wineprefix \
	    $(WIN_CTEST) --test-dir $(WIN64_DIR) -O $(WIN64_DIR)/wine-suite.log; status=$$?; \
	  echo "Windows suite: only the 64-bit programs ($(WIN64_DIR), x86_64) under wine64; the shipped 32-bit ones" \
	    "were built, not tested: $$($(WIN_SUMMARY) $(WIN64_DIR)/wine-suite.log)"; \
	  exit $$status; \
	fi

# Random add-on lifecycles (installs, uninstalls, game updates, kills, second copies)
# checked against the model of tests/e2e/posix/LifecycleModel.h for SOAK_MINUTES; a
# failing sequence prints its seed and its shrunk steps. `make test` runs a few.
# KNOWN=1 takes in the steps that meet the test's list of known faults.
SOAK_MINUTES ?= 60
soak: build
	LIFECYCLE_MINUTES=$(SOAK_MINUTES) LIFECYCLE_KNOWN=$(KNOWN) $(BUILD_DIR)/tests/test_e2e --gtest_filter='Lifecycle.*'

# The sanitizer trees: clang at -O1 with line tables, every library and program
# instrumented, any finding fails its test. The AddressSanitizer tree carries
# libFuzzer's coverage too, so that `make fuzz` compiles the same objects and takes
# them from the compiler cache (which must then ignore the tree's own directory).
SANITIZE_CONFIGURE = CC=clang CXX=clang++ cmake -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS_DEBUG="-O1 -gline-tables-only" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only"
ASAN_SANITIZERS := fuzzer-no-link,address,undefined
export UBSAN_OPTIONS := print_stacktrace=1
export TSAN_OPTIONS := halt_on_error=1 second_deadlock_stack=1

# The whole Linux suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	[ -f $(ASAN_DIR)/build.ninja ] || $(SANITIZE_CONFIGURE) -S . -B $(ASAN_DIR) -DSE_SANITIZE=$(ASAN_SANITIZERS)
	CCACHE_NOHASHDIR=1 cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
	  ctest --output-on-failure -j $(JOBS) --timeout 600

# The engine, ui and app tests (where the setup thread meets the user interface's)
# under ThreadSanitizer.
TSAN_TESTS := test_engine test_ui test_app
tsan: deps
	[ -f $(TSAN_DIR)/build.ninja ] || $(SANITIZE_CONFIGURE) -S . -B $(TSAN_DIR) -DSE_SANITIZE=thread
	CCACHE_NOHASHDIR=1 cmake --build $(TSAN_DIR) -j $(JOBS) --target $(TSAN_TESTS) setuptool mksetup setup finalise
	cd $(TSAN_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600 -L '^(engine|ui|app)$$'

demo: build
	./examples/demo/run-demo.sh $(BUILD_DIR)

bench: EXTRA_PACKAGES = $(BENCH_PACKAGES)
bench: build
	cmake --build $(BUILD_DIR) --target benchmarks -j $(JOBS)
	./bench/run-all.sh $(BUILD_DIR)

fuzz: deps
	[ -f $(FUZZ_DIR)/build.ninja ] || $(SANITIZE_CONFIGURE) -S . -B $(FUZZ_DIR) -DSE_FUZZ=ON \
	  -DSE_SANITIZE=$(ASAN_SANITIZERS)
	CCACHE_NOHASHDIR=1 cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzzers
	./tests/fuzz/run-fuzzers.sh $(FUZZ_DIR)/fuzz $(FUZZ_TIME)

clean:
	rm -rf $(BUILD_DIR) $(WIN_DIR) $(WIN64_DIR) $(FUZZ_DIR) $(ASAN_DIR) $(TSAN_DIR)
