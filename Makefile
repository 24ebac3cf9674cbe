# Front door: `make demo` runs the application against the emulated tool and servers,
# `make test` runs every test, `make package` builds the Debian package. Each installs what it
# needs first.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: deps build test test-asan demo package format format-check tidy bench clean

deps:
	@bash scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORTIK_SANITIZE=ON \
	  -DVORTIK_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)

demo: build
	@bash scripts/demo $(BUILD)

package: build
	@cmake --build $(BUILD) --target package

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails, naming the files, when any tracked source differs from what clang-format makes of it.
format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# The checks of .clang-tidy over src/, on the compile commands of the normal build.
tidy: build
	@run-clang-tidy -quiet -j $(JOBS) -p $(BUILD) "$(CURDIR)/src/.*\.cpp$$"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
