# The front door: `make test` and `make run` are all a newcomer needs.
.PHONY: all bootstrap configure build test test-native test-asan fuzz-smoke lint bench run ci clean

JOBS ?= $(shell nproc)
NATIVE := build/native

all: build

bootstrap:
	@tools/bootstrap

configure: bootstrap
	@cmake --preset native >/dev/null

build: configure
	@cmake --build $(NATIVE) -j $(JOBS)

test: build
	@ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-windows
	@$(MAKE) --no-print-directory test-web
	@$(MAKE) --no-print-directory test-dist

# The native tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: bootstrap
	@cmake --preset native-asan >/dev/null
	@cmake --build build/native-asan -j $(JOBS)
	@ctest --test-dir build/native-asan --output-on-failure -j $(JOBS)

# The fuzz targets for a short, fixed number of runs. New inputs go to a scratch folder,
# so the committed seed corpus stays as it is.
fuzz-smoke: bootstrap
	@cmake --preset fuzz >/dev/null
	@cmake --build build/fuzz -j $(JOBS) --target fuzzers
	@for f in build/fuzz/tests/fuzz/fuzz_*; do \
	    name=$$(basename $$f); scratch=build/fuzz/scratch-$$name; rm -rf $$scratch; mkdir -p $$scratch; \
	    echo "fuzzing $$name for 20000 inputs"; \
	    "$$f" -runs=20000 -seed=1 -max_len=65536 $$scratch tests/fuzz/corpus/$$name >$$scratch.log 2>&1 \
	        || { tail -30 $$scratch.log; echo "fuzz target $$name failed"; exit 1; }; \
	done

# Every tracked C++ file in the project's format, and no function outside tests/ above cognitive
# complexity 25 as clang-tidy reads it with its own build's flags (native, MinGW-w64, the page).
lint: build web
	@cmake --preset mingw-i686 >/dev/null
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
	@JOBS=$(JOBS) tools/complexity

ci: test test-asan fuzz-smoke lint

bench: build
	@$(NATIVE)/tests/core_bench

# With a display: the Linux saver in a window there. Without one: the demo runs below.
ifneq ($(DISPLAY),)
run: build
	@echo "tekuteku in a window on $(DISPLAY): a key, a click or closing the window ends it"
	@$(NATIVE)/linux/tekuteku
else
run: build
	@echo "A seeded run of 3 walkers on a 1024x768 screen, traced tick by tick (first ticks):"
	@$(NATIVE)/tools/tekuteku-trace --seed 2024 --width 1024 --height 768 --count 3 --odds 10 --steps 40 | head -12
	@echo "The same kind of run drawn with the sprite sheet, 300 ticks at speed 3, frequent scenes:"
	@$(NATIVE)/tools/render/tekuteku-render --seed 7 --width 800 --height 600 --count 3 --odds 5 --steps 300 --speed 3 --out build/demo.gif
	@echo "open $(CURDIR)/build/demo.gif to watch it"
	@$(MAKE) --no-print-directory run-windows
endif

# The Linux saver, its man page and its XScreenSaver settings file, where XScreenSaver looks.
PREFIX ?= /usr/local
.PHONY: install
install: build
	@cmake --install $(NATIVE) --prefix $(PREFIX) --strip
	@cp $(NATIVE)/install_manifest.txt build/install_manifest.txt
	@echo "installed the files listed in build/install_manifest.txt ('make uninstall' removes them)"

# Removes exactly the files the last `make install` recorded.
.PHONY: uninstall
uninstall:
	@tools/uninstall build/install_manifest.txt
	@rm -f build/install_manifest.txt

# The release number, from the one place it is kept: project(VERSION) in CMakeLists.txt.
VERSION := $(shell sed -n '/^project.tekuteku VERSION /s/.*VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# Release files carry the time of the last commit, not of the build, so that every build of a
# commit gives the same bytes. Outside a git checkout: the date of the newest changelog entry.
ifndef SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH := $(shell git log -1 --format=%ct 2>/dev/null || \
    date -d "$$(sed -n 's/^ -- .*>  //p' linux/changelog | head -1)" +%s)
endif
export SOURCE_DATE_EPOCH

# The Debian package of the Linux saver: dist/tekuteku_<version>_amd64.deb (CPack), then lintian.
.PHONY: deb
deb: build
	@cd $(NATIVE) && cpack -B $(CURDIR)/build/packages >/dev/null
	@mkdir -p dist
	@cp build/packages/tekuteku_$(VERSION)_amd64.deb dist/
	@echo "wrote dist/tekuteku_$(VERSION)_amd64.deb; lintian says:"
	@lintian dist/tekuteku_$(VERSION)_amd64.deb 2>&1 | grep -v "running with root" || true
	@tools/dist/write-sums $(VERSION)

# The Windows release archive: both .scr files as `make scr` built them, and a README.txt.
.PHONY: dist test-dist
dist: scr
	@tools/dist/make-zip $(VERSION) dist/tekuteku-$(VERSION)-windows.zip
	@tools/dist/write-sums $(VERSION)

# The archive's contents, then the release files built once more elsewhere: the same bytes.
test-dist: dist deb
	@tests/dist_test.sh dist/tekuteku-$(VERSION)-windows.zip dist
	@tests/reproducible_test.sh $(VERSION) || [ $$? -eq 77 ]

# `make test` RUNS times in a row (default 5) with one busy process per core beside it.
RUNS ?= 5
.PHONY: test-under-load
test-under-load:
	@tools/test-under-load $(RUNS)

# The Windows saver, one statically linked file per architecture: dist/win32 (i686) and dist/win64.
.PHONY: scr
scr:
	@cmake --preset mingw-i686 >/dev/null
	@cmake --build build/mingw-i686 -j $(JOBS) --target tekuteku
	@cmake --preset mingw-x86_64 >/dev/null
	@cmake --build build/mingw-x86_64 -j $(JOBS) --target tekuteku
	@mkdir -p dist/win32 dist/win64
	@cp build/mingw-i686/host/tekuteku.scr dist/win32/tekuteku.scr
	@cp build/mingw-x86_64/host/tekuteku.scr dist/win64/tekuteku.scr
	@echo "wrote dist/win32/tekuteku.scr and dist/win64/tekuteku.scr"

# Both Windows builds with everything they test, then their tests under Wine on a virtual
# screen (tools/with-wine). Where 32-bit programs cannot run, the 32-bit tests are skipped with
# a note and the 64-bit build carries the checks.
.PHONY: windows-build test-windows run-windows
windows-build: scr
	@cmake --build build/mingw-i686 -j $(JOBS)
	@cmake --build build/mingw-x86_64 -j $(JOBS)

test-windows: windows-build
	@tools/with-wine --arch win32 ctest --test-dir build/mingw-i686 --output-on-failure; status=$$?; \
	    if [ $$status -eq 77 ]; then echo "32-bit Windows tests under Wine skipped: this machine cannot run 32-bit programs"; \
	        echo "checking the 32-bit files without Wine:"; \
	        ctest --test-dir build/mingw-i686 --output-on-failure -R 'pe_check|resources' || exit 1; \
	    elif [ $$status -ne 0 ]; then exit $$status; fi
	@tools/with-wine --arch win64 ctest --test-dir build/mingw-x86_64 --output-on-failure

# The Windows saver under Wine: full screen on the current display, or a screenshot from a virtual screen.
run-windows: scr
	@tools/run-saver

# Pictures of the Windows saver for the README (docs/screenshot-*.png) and its figures: size,
# CPU use and tick rates under Wine (about four minutes).
.PHONY: docs-screenshots measure-windows
docs-screenshots: windows-build
	@tools/docs-screenshots

measure-windows: scr
	@tools/measure-windows

clean:
	rm -rf build dist

# The sprite sheet doubled, with its cell grid, for looking at: writes build/sheet-preview.png.
.PHONY: sheet-preview
sheet-preview: configure
	@cmake --build $(NATIVE) -j $(JOBS) --target tekuteku-sheetgen
	@$(NATIVE)/tools/sheetgen/tekuteku-sheetgen --preview build/sheet-preview.png
	@echo "wrote build/sheet-preview.png"

# The browser page: the core as WebAssembly (Debian's emscripten) plus the page's files, put
# together in build/web/ (its CMake tree is build/web-cmake).
WEB := build/web
.PHONY: web run-web test-web
web: bootstrap
	@emcmake cmake -S . -B build/web-cmake -DCMAKE_BUILD_TYPE=Release -DTEKUTEKU_WEB_OUT=$(CURDIR)/$(WEB) >/dev/null
	@cmake --build build/web-cmake -j $(JOBS) >/dev/null
	@echo "the page is in $(WEB)/ (index.html): serve the folder with any static file server"

# Serves build/web on 127.0.0.1 and prints the address; Ctrl-C stops it.
run-web: web
	@tools/serve-web $(WEB) $(or $(PORT),8800)

# The page's figures beside a floor page's and the native saver's CPU (about four minutes):
# tools/measure-web.
.PHONY: measure-web
measure-web: build web
	@tools/measure-web $(NATIVE)

# The page in headless chromium: loading, pixel identity with tekuteku-render, URL settings,
# full screen, idle mode and sound.
# One browser at a time: a file per run, so the timing checks never share the machine with another.
test-web: build web
	@cd tests/web && for file in *.test.js; do \
	    TEKUTEKU_WEB_DIR=$(CURDIR)/$(WEB) TEKUTEKU_RENDER=$(CURDIR)/$(NATIVE)/tools/render/tekuteku-render \
	        node --test --test-reporter=spec $$file || exit 1; \
	done
