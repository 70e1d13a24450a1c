# Front door: configure, build, test and run with CMake underneath.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
RUN_DIR ?= $(BUILD)/run
SAMPLE ?= examples/sample.dat
PREFIX ?= /usr/local

.PHONY: all build test run install package clean test-sanitize fuzz fuzz-build bench bench-build bench-instructions

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Runs the program on the sample data file in a scratch folder and shows the
# listing, then preflist-report's summary of it.
run: build
	rm -rf $(RUN_DIR) && mkdir -p $(RUN_DIR)
	cp $(SAMPLE) $(RUN_DIR)/sample.dat
	cd $(RUN_DIR) && $(CURDIR)/$(BUILD)/preflister sample.dat; echo "exit status $$?"
	@echo "---- $(RUN_DIR)/preflist"
	@cat $(RUN_DIR)/preflist
	@echo "---- preflist-report $(RUN_DIR)/preflist"
	@cd $(RUN_DIR) && $(CURDIR)/$(BUILD)/preflist-report; echo "exit status $$?"

# Installs bin/preflister, bin/preflist-report and their manual pages under $(PREFIX)
# (DESTDIR, when given, is put in front of it).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Builds preflister-<version>-Linux.tar.gz and a Debian package in $(BUILD)/packages.
package: build
	cd $(BUILD) && cpack

# The whole test suite on a build with the address and undefined-behaviour sanitizers.
SANITIZE_BUILD ?= build-sanitize
test-sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DPREFLISTER_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)

# libFuzzer targets, built by clang++, each run for FUZZ_SECONDS from the seeds in
# tests/fuzz/corpus; what they find is kept in $(FUZZ_BUILD)/corpus, a crashing
# input in $(FUZZ_BUILD)/artifacts.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= fuzz_format fuzz_decoder fuzz_scan fuzz_report
FUZZ_FLAGS ?=
max_len_fuzz_format = 1024
max_len_fuzz_decoder = 4096
max_len_fuzz_scan = 12388
max_len_fuzz_report = 8192

fuzz-build:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DPREFLISTER_FUZZ=ON -DPREFLISTER_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_format fuzz_decoder fuzz_scan fuzz_report

fuzz: fuzz-build
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/artifacts; \
	  echo "== $$t for $(FUZZ_SECONDS) s"; \
	  max_len=$(max_len_fuzz_format); \
	  case $$t in fuzz_decoder) max_len=$(max_len_fuzz_decoder);; fuzz_scan) max_len=$(max_len_fuzz_scan);; \
	    fuzz_report) max_len=$(max_len_fuzz_report);; esac; \
	  $(FUZZ_BUILD)/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=$$max_len -timeout=10 \
	    -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$t- $(FUZZ_FLAGS) \
	    $(FUZZ_BUILD)/corpus/$$t tests/fuzz/corpus/$$t; \
	done

# preflister against its I/O floor on a 256 MiB data file, from a release build
# in $(BENCH_BUILD); prints times, peak memory, heap allocations and the
# instructions per record that callgrind counts (bench/README.md). Not part of
# make test. bench-instructions counts the instructions alone, by function.
BENCH_BUILD ?= build-bench
BENCH_FLAGS ?=
bench-build:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
	  -DPREFLISTER_TESTS=OFF -DPREFLISTER_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target preflister gendata iofloor bench_probe measure preflist-report

bench: bench-build
	python3 bench/run_bench.py --build $(BENCH_BUILD) $(BENCH_FLAGS)

bench-instructions: bench-build
	python3 bench/instructions.py --build $(BENCH_BUILD)

# Windows: a native preflister.exe, cross-built with mingw-w64 (cmake/mingw-w64.cmake)
# into $(WINDOWS_BUILD). test-windows runs the end-to-end tests of the Linux build
# against it under Wine, less the cases that need a POSIX-only device (/proc/self/mem)
# or a pseudo-terminal.
WINDOWS_BUILD ?= build-windows
WINDOWS_TESTS ?= e2e_test
WINDOWS_EXCLUDE ?= Scan.ReadErrorIsReportedAndFailsTheRun:Progress.RealTerminalHoldsOneLinePerRangeStart
WINE ?= $(shell command -v wine || echo /usr/lib/wine/wine64)
WINESERVER ?= $(shell command -v wineserver || echo /usr/lib/wine/wineserver64)
# A Wine prefix of the build's own, no display, no add-on installers, and no
# Wine messages on standard error.
WINE_ENV = env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$(CURDIR)/$(WINDOWS_BUILD)/wine" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="

.PHONY: windows test-windows

$(WINDOWS_BUILD)/CMakeCache.txt:
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DPREFLISTER_TESTS=OFF

windows: $(WINDOWS_BUILD)/CMakeCache.txt
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target preflister

test-windows: build windows
	@# The first start of a new prefix is the slow one: it is made once and kept.
	[ -f $(WINDOWS_BUILD)/wine/system.reg ] || $(WINE_ENV) $(WINE) wineboot -i
	printf '#!/bin/sh\nexec "%s" "%s" "$$@"\n' "$(WINE)" "$(CURDIR)/$(WINDOWS_BUILD)/preflister.exe" \
	  > $(WINDOWS_BUILD)/preflister-wine
	chmod +x $(WINDOWS_BUILD)/preflister-wine
	@# One Wine server for all the runs (unless one serves the prefix already), ended after them.
	$(WINE_ENV) $(WINESERVER) -p || true
	status=0; for t in $(WINDOWS_TESTS); do \
	  $(WINE_ENV) PREFLISTER_BIN="$(CURDIR)/$(WINDOWS_BUILD)/preflister-wine" PREFLISTER_BIN_SYSTEM=windows \
	    $(BUILD)/tests/$$t --gtest_filter=-$(WINDOWS_EXCLUDE) || status=1; \
	done; $(WINE_ENV) $(WINESERVER) -k; exit $$status

# Every build folder the targets above make.
clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(WINDOWS_BUILD)
