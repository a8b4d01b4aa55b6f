# VORNEX: the two commands a player or a maintainer needs.
#   make play   install what is missing, build, and start the game
#   make test   install what is missing, build, and run every test
BUILD ?= build

.PHONY: deps build play test windows clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD)

play: build
	cd $(BUILD)/run && ../vornex

test: build
	ctest --test-dir $(BUILD) --output-on-failure

windows: deps
	bash scripts/build-windows.sh $(BUILD)/windows

clean:
	rm -rf $(BUILD)
