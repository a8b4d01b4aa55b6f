# VORNEX: the two commands a player or a maintainer needs.
#   make play   install what is missing, build, and start the game
#   make test   install what is missing, build, and run every test
#   make bench  build, and print the performance figures with their targets
BUILD ?= build

.PHONY: deps build play test bench windows clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD)

play: build
	cd $(BUILD)/run && ../vornex

test: build
	ctest --test-dir $(BUILD) --output-on-failure

# Figures only, never pass or fail: run it on a quiet machine.
bench: build
	cd $(BUILD)/run && ../vornex_bench

windows: deps
	bash scripts/build-windows.sh $(BUILD)/windows

clean:
	rm -rf $(BUILD)
