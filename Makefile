# Front door: 'make run' plays a solo game, 'make test' runs the whole suite.
BUILD ?= build
JOBS ?= 2

.PHONY: all setup configure build run test bench fuzz fuzz-smoke asan asan-full clean format package

all: build

setup:
	@sh tools/setup-deps.sh

$(BUILD)/CMakeCache.txt:
	@sh tools/setup-deps.sh
	cmake -S . -B $(BUILD) -G "$$(command -v ninja >/dev/null 2>&1 && echo Ninja || echo 'Unix Makefiles')" -DCMAKE_BUILD_TYPE=Release

configure: setup $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) --parallel

run: build
	./$(BUILD)/zirky

test: build
	cd $(BUILD) && ctest --output-on-failure --parallel 2

bench: build
	@for b in $(BUILD)/bench/bench_*; do if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b"; "$$b" || exit 1; fi; done

# Core tests with AddressSanitizer and UndefinedBehaviorSanitizer, no Qt.
asan: setup
	cmake -S . -B build-asan -G "$$(command -v ninja >/dev/null 2>&1 && echo Ninja || echo 'Unix Makefiles')" \
	  -DCMAKE_BUILD_TYPE=Debug -DZIRKY_CORE_ONLY=ON -DZIRKY_SANITIZE=ON
	cmake --build build-asan --parallel
	cd build-asan && ctest --output-on-failure --parallel 2

# The whole program, Qt shells and windows included, under AddressSanitizer and
# UndefinedBehaviorSanitizer: sockets, host server and window code delete
# objects inside their own callbacks. Windows draw on the offscreen platform.
asan-full: setup
	cmake -S . -B build-asan-full -G "$$(command -v ninja >/dev/null 2>&1 && echo Ninja || echo 'Unix Makefiles')" \
	  -DCMAKE_BUILD_TYPE=Debug -DZIRKY_SANITIZE=ON \
	  $$(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
	cmake --build build-asan-full --parallel $(JOBS)
	cd build-asan-full && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:check_initialization_order=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --parallel 2 --timeout 600

# libFuzzer targets, built with clang in their own folder.
fuzz: setup
	@command -v clang++ >/dev/null 2>&1 || { echo "make fuzz needs clang and libclang-rt-14-dev"; exit 1; }
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G "$$(command -v ninja >/dev/null 2>&1 && echo Ninja || echo 'Unix Makefiles')" \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIRKY_CORE_ONLY=ON -DZIRKY_FUZZ=ON -DZIRKY_BENCH=OFF
	cmake --build build-fuzz --parallel
	@echo "Fuzz targets are in build-fuzz/fuzz/"

# The Debian package, zirky_<version>_<arch>.deb, in this folder; install it with
# 'apt-get install ./zirky_*.deb'.
package: build
	rm -f zirky_*.deb
	cd $(BUILD) && cpack -G DEB -B $(CURDIR)/$(BUILD)/package
	cp $(BUILD)/package/zirky_*.deb .
	@ls -l zirky_*.deb

# A short run of every fuzz target from its committed seed corpus (FUZZ_SECONDS
# each), with its dictionary fuzz/<target>.dict where there is one. New inputs
# go to a scratch copy, so the committed corpus stays as it is.
FUZZ_SECONDS ?= 30
fuzz-smoke: fuzz
	@set -e; for t in build-fuzz/fuzz/fuzz_*; do \
	  [ -f "$$t" ] && [ -x "$$t" ] || continue; name=$$(basename "$$t"); \
	  work=build-fuzz/corpus-run/$$name; rm -rf "$$work"; mkdir -p "$$work"; \
	  [ -d fuzz/corpus/$$name ] && cp fuzz/corpus/$$name/* "$$work"/ ; \
	  dict=""; [ -f fuzz/$$name.dict ] && dict=-dict=fuzz/$$name.dict; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  "$$t" $$dict -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/ "$$work" 2>build-fuzz/$$name.log \
	    || { tail -n 60 build-fuzz/$$name.log; exit 1; }; \
	  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" build-fuzz/$$name.log || true; \
	done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-asan-full build-fuzz
