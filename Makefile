# Front door: 'make run' plays a solo game, 'make test' runs the whole suite.
BUILD ?= build

.PHONY: all setup configure build run test bench fuzz asan clean format package

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-fuzz
