# Front door: `make demo` runs the application against the emulated tool and servers,
# `make test` runs every test, `make package` builds the Debian package. Each installs what it
# needs first.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: deps build test test-asan demo package format format-check layers tidy bench clean

deps:
	@bash scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# --no-tests=error: a tree whose tests were not found fails instead of passing quietly.
test: build
	@cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORTIK_SANITIZE=ON \
	  -DVORTIK_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  ctest --output-on-failure --no-tests=error -j $(JOBS)

demo: build
	@bash scripts/demo $(BUILD)

package: build
	@cmake --build $(BUILD) --target package

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails, naming the files, when any tracked source differs from what clang-format makes of it.
format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# Fails when a file includes one of a higher layer, a Qt file sits outside a ui/ folder, or a
# Qt header is included below the ui layer.
layers:
	@python3 scripts/layer-includes

# The checks of .clang-tidy over src/, on the compile commands of the normal build.
tidy: build
	@run-clang-tidy -quiet -j $(JOBS) -p $(BUILD) "$(CURDIR)/src/.*\.cpp$$"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
