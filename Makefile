# Front door: configure, build, test and run with CMake underneath.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
RUN_BUILD ?= build-run
RUN_DIR ?= $(RUN_BUILD)/run
SAMPLE ?= examples/sample.dat
PREFIX ?= /usr/local

.PHONY: all build suite test run run-build install package clean test-sanitize fuzz fuzz-build bench bench-build \
  bench-instructions release test-release

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The suite is turned on whatever the folder was configured with, and a run
# that finds no test fails: a folder without the suite never passes for tested.
# Without GoogleTest the configuration stops and names the package to install.
suite:
	cmake -S . -B $(BUILD) -DPREFLISTER_TESTS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test: suite
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

# Runs the program on the sample data file in a scratch folder and shows the
# listing, then preflist-report's summary of it. Needs only a C++ compiler and
# CMake: a folder of its own, without the test suite, builds the two programs
# and gendata alone.
run-build:
	cmake -S . -B $(RUN_BUILD) -DPREFLISTER_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(RUN_BUILD) -j $(JOBS) --target preflister preflist-report gendata

run: run-build
	rm -rf $(RUN_DIR) && mkdir -p $(RUN_DIR)
	cp $(SAMPLE) $(RUN_DIR)/sample.dat
	cd $(RUN_DIR) && $(CURDIR)/$(RUN_BUILD)/preflister sample.dat; echo "exit status $$?"
	@echo "---- $(RUN_DIR)/preflist"
	@cat $(RUN_DIR)/preflist
	@echo "---- preflist-report $(RUN_DIR)/preflist"
	@cd $(RUN_DIR) && $(CURDIR)/$(RUN_BUILD)/preflist-report; echo "exit status $$?"

# Installs bin/preflister and bin/preflist-report, stripped, their manual pages
# and the copyright and changelog files under $(PREFIX) (DESTDIR, when given, is
# put in front of it). What is installed and packed is the release build
# (below), the one made for speed: the test build spends about two fifths more
# instructions on every record.
install: release
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_BUILD) --prefix "$(PREFIX)" --strip

# Builds preflister-<version>-Linux.tar.gz and a Debian package in
# $(RELEASE_BUILD)/packages, and checks the Debian package with lintian when it
# is installed: any error or warning fails.
package: release
	rm -f $(RELEASE_BUILD)/packages/*.deb $(RELEASE_BUILD)/packages/*.tar.gz
	cd $(RELEASE_BUILD) && cpack
	@if command -v lintian >/dev/null 2>&1; then \
	  echo "lintian $(RELEASE_BUILD)/packages/*.deb"; \
	  lintian --fail-on error,warning $(RELEASE_BUILD)/packages/*.deb; \
	else \
	  echo "lintian is not installed: the Debian package was not checked (apt install lintian)"; \
	fi

# The whole test suite on a build with the address and undefined-behaviour sanitizers.
SANITIZE_BUILD ?= build-sanitize
test-sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DPREFLISTER_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

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

# The release build: -O3, optimised across files and by a profile of its own
# run. A training build in <folder>-profile records the profile on a
# generated data file (tools/train_profile.sh); the build in <folder> reads
# it. Profiles need GCC; PGO=off builds without one.
RELEASE_BUILD ?= build-release
PGO ?= on
RELEASE_CMAKE = -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O3 -DNDEBUG" -DPREFLISTER_TESTS=OFF
# $(call release_in,FOLDER,CMAKE FLAGS,TARGETS)
ifeq ($(PGO),on)
define release_in
	cmake -S . -B $(1)-profile $(RELEASE_CMAKE) -DPREFLISTER_PROFILE=generate \
	  -DPREFLISTER_PROFILE_DIR=$(abspath $(1)-profile)/profile
	cmake --build $(1)-profile -j $(JOBS) --target preflister gendata
	tools/train_profile.sh $(1)-profile $(abspath $(1)-profile)/profile
	cmake -S . -B $(1) $(RELEASE_CMAKE) $(2) -DPREFLISTER_PROFILE=use \
	  -DPREFLISTER_PROFILE_DIR=$(abspath $(1)-profile)/profile
	cmake --build $(1) -j $(JOBS) --target $(3)
endef
else
define release_in
	cmake -S . -B $(1) $(RELEASE_CMAKE) $(2) -DPREFLISTER_PROFILE=
	cmake --build $(1) -j $(JOBS) --target $(3)
endef
endif

release:
	$(call release_in,$(RELEASE_BUILD),,preflister preflist-report packaged_docs)

# The end-to-end tests of the $(BUILD) build run against the release build's
# program: what the release build makes must be byte for byte what the
# tested build makes.
test-release: suite release
	@set -e; for t in e2e_test fault_test regression_test; do \
	  echo "== $$t against $(RELEASE_BUILD)/preflister"; \
	  PREFLISTER_BIN=$(abspath $(RELEASE_BUILD))/preflister $(BUILD)/tests/$$t; \
	done

# preflister against its I/O floor on a 256 MiB data file, from a release build
# in $(BENCH_BUILD); prints times, peak memory, heap allocations and the
# instructions per record that callgrind counts (bench/README.md). Not part of
# make test. bench-instructions counts the instructions alone, by function.
BENCH_BUILD ?= build-bench
BENCH_FLAGS ?=
bench-build:
	$(call release_in,$(BENCH_BUILD),-DPREFLISTER_BENCH=ON,preflister gendata iofloor bench_probe measure preflist-report)

bench: bench-build
	python3 bench/run_bench.py --build $(BENCH_BUILD) $(BENCH_FLAGS)

bench-instructions: bench-build
	python3 bench/instructions.py --build $(BENCH_BUILD)

# Windows: native preflister.exe and preflist-report.exe for 32-bit (x86) and
# 64-bit (x64) Windows, cross-built with mingw-w64 (cmake/mingw-w64-*.cmake)
# into $(WINDOWS_BUILD)/x86 and $(WINDOWS_BUILD)/x64. test-windows checks their
# import tables, runs the end-to-end tests of the Linux build against each
# preflister.exe under Wine (tests/wine_suite.sh), less the cases that need a
# POSIX-only device (/proc/self/mem), a pseudo-terminal, FIFOs or the writes
# that wait for them, compares what each preflist-report.exe makes of
# listings with the Linux program's (tests/windows_report_test.sh), and checks
# the zip that package-windows makes. Where the kernel cannot run 32-bit
# programs at all, the x86 runs under Wine are skipped with a message (exit
# 77); its build and import check are not.
WINDOWS_BUILD ?= build-windows
WINDOWS_ARCHS ?= x86 x64
WINDOWS_TESTS ?= e2e_test fault_test
WINDOWS_EXCLUDE ?= Scan.ReadErrorIsReportedAndFailsTheRun:Progress.RealTerminalHoldsOneLinePerRangeStart:FifoListing.*:BlockedWrite.*
windows_toolchain_x86 = cmake/mingw-w64-i686.cmake
windows_toolchain_x64 = cmake/mingw-w64-x86_64.cmake
VERSION := $(shell sed -n 's/^project.preflister VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
WINDOWS_ZIP = $(WINDOWS_BUILD)/preflister-$(VERSION)-windows.zip

.PHONY: windows test-windows package-windows

$(WINDOWS_BUILD)/%/CMakeCache.txt:
	cmake -S . -B $(WINDOWS_BUILD)/$* -DCMAKE_TOOLCHAIN_FILE=$(windows_toolchain_$*) -DPREFLISTER_TESTS=OFF

windows: $(WINDOWS_ARCHS:%=$(WINDOWS_BUILD)/%/CMakeCache.txt)
	@set -e; for a in $(WINDOWS_ARCHS); do cmake --build $(WINDOWS_BUILD)/$$a -j $(JOBS) --target preflister preflist-report; done

# preflister-<version>-windows.zip: both programs for both processors, README.txt
# and the manual pages as text.
package-windows: windows
	tools/package_windows.sh $(CURDIR) $(VERSION) $(WINDOWS_BUILD)

test-windows: suite windows package-windows
	tests/windows_imports.sh $(foreach a,$(WINDOWS_ARCHS),\
	  $(foreach p,preflister preflist-report,$(a) $(WINDOWS_BUILD)/$(a)/$(p).exe))
	@status=0; for a in $(WINDOWS_ARCHS); do \
	  tests/wine_suite.sh $$a $(WINDOWS_BUILD)/$$a $(BUILD) "$(WINDOWS_TESTS)" "$(WINDOWS_EXCLUDE)"; \
	  rc=$$?; [ $$rc -eq 0 ] || [ $$rc -eq 77 ] || status=1; \
	  tests/windows_report_test.sh $$a $(WINDOWS_BUILD)/$$a $(BUILD); \
	  rc=$$?; [ $$rc -eq 0 ] || [ $$rc -eq 77 ] || status=1; \
	done; exit $$status
	tests/windows_package_test.sh $(WINDOWS_ZIP) $(BUILD)/preflister $(SAMPLE) $(WINDOWS_BUILD) $(VERSION) \
	  $(BUILD)/gendata

# Every build folder the targets above make.
clean:
	rm -rf $(BUILD) $(RUN_BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(BENCH_BUILD)-profile $(RELEASE_BUILD) \
	  $(RELEASE_BUILD)-profile $(WINDOWS_BUILD)
