# VORNEX: the commands a player or a maintainer needs.
#   make play           install what is missing, build, and start the game
#   make test           install what is missing, build, and run every test (what CI runs)
#   make bench          build, and print the performance figures with their targets
#   make install        build, and install the game under PREFIX (default /usr/local)
#   make package        build, and make the Debian package build/vornex_VERSION_ARCH.deb
#   make web            build, and build the game for a browser into build/web
#   make serve-web      make web, and serve build/web on http://127.0.0.1:8000/vornex.html
# The long runs, outside `make test`:
#   make soak           fifty whole games in a row under LeakSanitizer
#   make sanitize-full  the unit tests, fifty worlds and a whole game cycle under the sanitizers
#   make fuzz-long      each file reader under libFuzzer for SECONDS seconds (default 300)
BUILD ?= build
SECONDS ?= 300
PREFIX ?= /usr/local

.PHONY: deps build play test bench install package windows web serve-web soak sanitize-full fuzz-long clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD)

play: build
	cd $(BUILD)/run && ../vornex

# Installs and builds itself, timing each stage.
test:
	bash scripts/run-tests.sh $(BUILD)

# Figures only, never pass or fail: run it on a quiet machine.
bench: build
	cd $(BUILD)/run && ../vornex_bench

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack

# vornex.exe with every data file beside it, in $(BUILD)/windows/VORNEX and its zip.
windows: build
	bash scripts/build-windows.sh $(BUILD)/windows $(BUILD)/run

web: build
	bash scripts/install-deps.sh --web
	bash scripts/build-web.sh $(BUILD)

serve-web: web
	@echo "VORNEX: open http://127.0.0.1:8000/vornex.html (Ctrl+C stops the server)"
	python3 -m http.server --bind 127.0.0.1 8000 --directory $(BUILD)/web

soak: build
	bash scripts/run-soak.sh 50 $(BUILD)/vornex_headless $(BUILD)/run $(BUILD)/soak-full

sanitize-full: deps
	bash scripts/run-sanitizers.sh --full $(BUILD)/sanitize

fuzz-long: deps
	bash scripts/run-fuzzers.sh $(SECONDS) $(BUILD)/fuzz

clean:
	rm -rf $(BUILD)
