# The two commands: `make run` starts the cone decorator, `make test` builds and runs every test.
# Each first installs what is missing (scripts/install-deps.sh).

JOBS ?= 2
BUILD := build
ASAN_BUILD := build-asan
WIN_BUILD := build-win32
WIN64_BUILD := build-win64
FUZZ_BUILD := build-fuzz
DEB_BUILD := build-deb
FUZZ_SECONDS ?= 30
WEB_BUILD := build-web
WEB_DEPS := $(CURDIR)/build-web-deps/prefix
WEB_PORT ?= 8000
# A new build folder is made for Ninja, whose rebuilds after a one-line change are quick; one
# made before keeps the generator it has.
GENERATOR = $(if $(wildcard $(BUILD)/CMakeCache.txt),,-G Ninja)

.PHONY: all deps configure build run check test unit-tests slow-tests install-test asan-tests \
  win32 win64 \
  win64-tests fuzz fuzz-run bench deb pictures clean format web web-tests run-web run-playground web-glyph-test \
  web-configure win-configure dist dist-tests

all: build

deps:
	@sh scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Builds the cone alone, not the tests and examples.
run: configure
	cmake --build $(BUILD) -j$(JOBS) --target tavix_cone
	cd $(BUILD) && ./cone

# The tests that need no cross toolchain, Wine or browser, but for the slowest (label slow).
unit-tests: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) -LE 'wine|slow'

# The slowest of those (whole gradings in sandboxes): CI runs them, the inner loop does not.
slow-tests: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) -L slow -LE wine

# Installs into a temporary prefix and builds a user's program against it four ways.
install-test: build
	sh tests/install/install_test.sh . $(BUILD)

asan-tests: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTAVIX_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS) -LE e2e

# Both Windows builds also make tavix.dll (TAVIX_DLL), which the Windows kit of `make dist` holds.
WIN_OPTIONS := -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Werror -DTAVIX_DLL=ON

win-configure: deps
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(WIN_OPTIONS)
	cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake $(WIN_OPTIONS)

win32: deps
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(WIN_OPTIONS)
	cmake --build $(WIN_BUILD) -j$(JOBS)
	sh tests/install/install_win32_test.sh . $(WIN_BUILD)

# The 64-bit Windows build of the cone and the test client, run under Wine (its prefix made in
# $(WIN64_BUILD)/wineprefix on the first run) beside the Linux build of the same client.
win64: deps
	cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake $(WIN_OPTIONS)
	cmake --build $(WIN64_BUILD) -j$(JOBS) --target tavix_cone tavix_picture_client tavix_queue_order \
	  tavix_sound_client tavix_rich_echo_client

win64-tests: build win64
	TAVIX_WIN64_DIR=$(CURDIR)/$(WIN64_BUILD) ctest --test-dir $(BUILD) --output-on-failure -L wine

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DTAVIX_FUZZ=ON -DTAVIX_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target tavix_fuzz_targets

fuzz-run: fuzz
	@for f in $(FUZZ_BUILD)/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; \
	  name=$$(basename $$f); \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  echo "Fuzzing $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    $(FUZZ_BUILD)/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

# The browser stage: programs of the browser build driven in headless Chromium (puppeteer-core
# from tests/web/package-lock.json, never a downloaded browser) beside the Linux build, then
# tavix-playground with the browser build's kit (configured again: node and npm, which bundle its
# page, come with the stage's packages).
web-tests: build web
	@sh tests/web/install-deps.sh
	@cd tests/web && { [ node_modules/.package-lock.json -nt package-lock.json ] || \
	  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund; }
	node tests/web/web_test.mjs
	sh tests/web/tavix_web_test.sh $(BUILD) $(WEB_BUILD)
	cmake -S . -B $(BUILD) >/dev/null
	cmake --build $(BUILD) -j$(JOBS) --target tavix_playground
	node tests/web/playground_test.mjs $(BUILD) $(WEB_BUILD)

# The inner loop: the build and every test that needs no cross toolchain, Wine or browser, but
# for the slowest (slow-tests).
check: unit-tests

test: unit-tests slow-tests install-test asan-tests win32 win64-tests fuzz-run web-tests dist-tests

# The downloads, into dist/ (scripts/dist/make-dist.sh): the Windows kit, the browser kit, the
# Debian package and the source, with SHA256SUMS. Builds in the build folders above only what the
# downloads hold (the Debian package: the Linux build).
dist: configure win-configure web-configure
	sh scripts/dist/make-dist.sh dist

# Each download used as a learner would (tests/dist/dist_test.sh): the Windows kit's programs run
# under Wine, the browser kit's page in Chromium, the Debian package unpacked, the source built.
dist-tests: dist
	@sh tests/web/install-deps.sh
	@cd tests/web && { [ node_modules/.package-lock.json -nt package-lock.json ] || \
	  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund; }
	sh tests/dist/dist_test.sh . dist $(BUILD) $(WIN64_BUILD)

# The Debian package libtavix-dev, from a build of the library alone.
deb: deps
	cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DTAVIX_TESTS=OFF -DTAVIX_EXAMPLES=OFF -DTAVIX_CONE=OFF
	cmake --build $(DEB_BUILD) -j$(JOBS)
	cd $(DEB_BUILD) && cpack -G DEB

# The pictures of README.md and docs/guide.md, made anew by the programs they show.
pictures: build
	sh scripts/make-pictures.sh $(BUILD)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && $$b; done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# The browser build: the cone, the examples and the browser test's programs as pages of
# $(WEB_BUILD)/site/ (emscripten; FreeType, libpng and zlib for wasm from scripts/web-deps.sh).
web: web-configure
	cmake --build $(WEB_BUILD) -j$(JOBS) --target tavix_site

# The browser build's install (the browser kit) holds the wasm libraries of $(WEB_DEPS) too; its
# fonts are cut down with fonttools' pyftsubset.
web-configure:
	@sh scripts/install-deps.sh fonttools
	sh scripts/web-deps.sh
	emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DTAVIX_TESTS=OFF -DTAVIX_INSTALL=ON \
	  -DCMAKE_PREFIX_PATH=$(WEB_DEPS) -DCMAKE_FIND_ROOT_PATH=$(WEB_DEPS)

# tavix-playground with the browser build's kit (build-web/kit), on 127.0.0.1:8080.
run-playground: build web
	cmake --install $(WEB_BUILD) --prefix $(WEB_BUILD)/kit >/dev/null
	cmake --build $(BUILD) -j$(JOBS) --target tavix_playground
	$(BUILD)/tavix-playground --kit $(WEB_BUILD)/kit

# Serves the site on 127.0.0.1 (WEB_PORT, 0 for any free port) and prints the address.
run-web: web
	node web/serve.js $(WEB_BUILD)/site $(WEB_PORT)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD) $(WIN64_BUILD) $(FUZZ_BUILD) $(DEB_BUILD) $(WEB_BUILD) dist

# The browser build's FreeType draws the Linux build's glyphs (builds the wasm libraries first).
web-glyph-test:
	sh scripts/web-deps/glyph-test.sh
