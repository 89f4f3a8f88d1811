# Entry points for a fresh Debian 12 machine:
#   make demo   installs what is missing, builds, runs Quillbay on a sample Windows
#   make test   builds and runs every test under Wine
#   make screenshots  renders the main window in each mode, language and scaling into $(BUILD)/screenshots
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: all build test demo screenshots deps clean

all: build

deps:
	@bash cmake/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake --preset linux-cross -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	bash cmake/wine-test-driver.sh $(BUILD)

demo: build
	bash cmake/demo.sh $(BUILD)

screenshots: build
	bash cmake/screenshots.sh $(BUILD)

clean:
	rm -rf $(BUILD)
