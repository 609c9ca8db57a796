# Tollymop: the two commands a new user needs are `make run` and `make test`.
JOBS ?= $(shell nproc)
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
# No "Entering directory" lines from the makes that CMake's build runs.
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build game run test asan soak bench fuzz clean assets

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what the game needs: its binary and the compiled effects. The build's
# own lines go to a log, shown only when the build fails: a player running
# `make run` sees what is happening in a line or two.
GAME_LOG = $(BUILD)/build-game.log
game: deps
	@echo "Building the game in $(BUILD)/ (the first build takes several minutes; its log: $(GAME_LOG))"
	@mkdir -p $(BUILD) && { cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) && \
	 cmake --build $(BUILD) -j $(JOBS) --target game; } >$(GAME_LOG) 2>&1 || \
	 { tail -n 40 $(GAME_LOG); echo "The build failed; the whole log is $(GAME_LOG)."; exit 1; }

# Runs a program on the display, or under Xvfb when there is none. Under
# Xvfb nobody could answer a message box, so a fatal error is only written
# (terminal and err.txt) and the program ends by itself. tools/on_xvfb.sh
# keeps Xvfb out of the terminal's Ctrl+C, hands the signal to the program
# and takes Xvfb down after it.
on_display = if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(1); \
	 else echo "No display found: running under Xvfb."; TOLLYMOP_UNATTENDED=1 tools/on_xvfb.sh $(1); fi

# The repository root is the game's working directory: assets, settings.txt
# and err.txt all live there.
run: game
	@echo "Starting the game: Escape, or closing its window, quits."
	@$(call on_display,./$(BUILD)/tollymop)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The engine's empty frame against a bare SDL2 + GL loop (frames/s and ratio),
# then the physics step of trampolines of three sizes, the player on the
# ground and beside 100 and 400 baskets, then the loaders beside their
# references (MB/s).
bench: build
	@$(call on_display,./$(BUILD)/bench_frame)
	@$(call on_display,./$(BUILD)/bench_physics)
	@$(call on_display,./$(BUILD)/bench_loaders)
	@$(call on_display,./$(BUILD)/bench_game)

asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOLLYMOP_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ctest --output-on-failure -j $(JOBS)

# The soak: 10,000 frames of level 2 with the tests' pilot playing, under the
# sanitizers, headless; any error line, sanitizer report or leak fails it.
# TOLLYMOP_SOAK_FRAMES=n changes the number of frames.
soak: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOLLYMOP_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS) --target test_game
	@cd build-asan/tests && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null \
	 LIBGL_ALWAYS_SOFTWARE=1 TOLLYMOP_ROOT=$(CURDIR) TOLLYMOP_TEST_OUTPUT=$(CURDIR)/build-asan/tests/output \
	 ASAN_OPTIONS=fast_unwind_on_malloc=1 \
	 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
	 ./test_game --gtest_also_run_disabled_tests --gtest_filter='SoakTest.*'

# Fuzz targets (libFuzzer, clang) into build-fuzz/; run one with
# build-fuzz/fuzz_<name> -max_total_time=60
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLLYMOP_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_targets

# Regenerates the committed assets that the project's own tools make.
assets: build
	@./$(BUILD)/tools/make_sounds/make_sounds .
	@./$(BUILD)/tools/make_textures/make_textures .
	@./$(BUILD)/tools/make_models/make_models .
	@./$(BUILD)/tools/make_ui_textures/make_ui_textures .

# Redraws the README's pictures (docs/menu.png, docs/level1.png) from the
# real game through the test harness, headless; a test checks that the
# committed ones still match what the game draws.
screenshots: build
	@cd $(BUILD)/tests && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null \
	 LIBGL_ALWAYS_SOFTWARE=1 TOLLYMOP_ROOT=$(CURDIR) TOLLYMOP_TEST_OUTPUT=$(CURDIR)/$(BUILD)/tests/output \
	 TOLLYMOP_WRITE_SCREENSHOTS=$(CURDIR)/docs ./test_game --gtest_filter='ReadmePictures.*'

clean:
	rm -rf $(BUILD) build-asan build-fuzz
