# Tessaview: make run | make test | make bench | make build | make test-asan | make fuzz
#            make test-debian13
# Each target first installs the Debian packages that are missing.

BUILD_DIR   ?= build
ASAN_DIR    ?= build-asan
JOBS        ?= $(shell nproc)
BUILD_TYPE  ?= RelWithDebInfo
FUZZ_DIR    ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_SEED    ?=
DEBIAN13_MAKE ?= test

PACKAGES = cmake make g++ pkg-config \
           qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev \
           libexiv2-dev libheif-dev zlib1g-dev libgtest-dev libgphoto2-dev libudev-dev \
           qt6-image-formats-plugins \
           exiv2 libheif-examples libimage-exiftool-perl imagemagick bc dbus-daemon gphoto2 \
           desktop-file-utils xvfb
# What the fuzz build needs besides: clang with its sanitizer runtimes and
# libFuzzer, of the release's own version (14 on Debian 12, 19 on Debian 13).
CLANG_VERSION ?= $(shell . /etc/os-release 2>/dev/null; [ "$$VERSION_ID" = 12 ] && echo 14 || echo 19)
FUZZ_PACKAGES = clang-$(CLANG_VERSION) libclang-rt-$(CLANG_VERSION)-dev libfuzzer-$(CLANG_VERSION)-dev

.PHONY: deps fuzz-deps build run test bench test-asan fuzz test-debian13 clean

deps:
	@$(call install-missing,$(PACKAGES))

fuzz-deps:
	@$(call install-missing,$(FUZZ_PACKAGES))

define install-missing
	missing=""; \
	for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages. Run:"; \
	    echo "  sudo apt-get install -y$$missing"; \
	    exit 1; \
	  fi; \
	fi
endef

# A compiler cache, where the machine has one, makes rebuilds of other
# checkouts cheap; the build is the same without it.
LAUNCHER    := $(shell command -v ccache 2>/dev/null)
CMAKE_FLAGS  = $(if $(LAUNCHER),-DCMAKE_CXX_COMPILER_LAUNCHER=$(LAUNCHER))

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=ON $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/bin/tessaview

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j $(JOBS)

bench: build
	bash bench/run.sh $(BUILD_DIR)/bin

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DTESSAVIEW_SANITIZE=ON -DBUILD_TESTING=ON
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure --no-tests=error -j $(JOBS)

# The fuzz targets (fuzz/) in a clang build of their own, each run for
# FUZZ_SECONDS on its corpus, two at a time.
$(FUZZ_DIR)/CMakeCache.txt:
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAVIEW_FUZZ=ON \
	  -DCMAKE_CXX_COMPILER=clang++-$(CLANG_VERSION) $(CMAKE_FLAGS)

fuzz: deps fuzz-deps $(FUZZ_DIR)/CMakeCache.txt
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_SEED=$(FUZZ_SEED) bash fuzz/run.sh $(FUZZ_DIR)

# The whole suite in a Debian 13 root made with mmdebstrap and kept in
# $(BUILD_DIR)/debian13 (root only; not part of CI). DEBIAN13_MAKE="fuzz
# FUZZ_SECONDS=10" makes those targets there instead of test.
test-debian13:
	DEBIAN13_DIR=$(abspath $(BUILD_DIR))/debian13 DEBIAN13_MAKE="$(DEBIAN13_MAKE)" JOBS=$(JOBS) \
	  bash tools/test-debian13.sh

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
