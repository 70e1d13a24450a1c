# Front door: configure, build, test and run with CMake underneath.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
RUN_DIR ?= $(BUILD)/run
SAMPLE ?= examples/sample.dat

.PHONY: all build test run clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Runs the program on the sample data file in a scratch folder and shows the listing.
run: build
	rm -rf $(RUN_DIR) && mkdir -p $(RUN_DIR)
	cp $(SAMPLE) $(RUN_DIR)/sample.dat
	cd $(RUN_DIR) && $(CURDIR)/$(BUILD)/preflister sample.dat; echo "exit status $$?"
	@echo "---- $(RUN_DIR)/preflist"
	@cat $(RUN_DIR)/preflist

clean:
	rm -rf $(BUILD)
