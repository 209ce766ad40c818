# Two commands for a fresh Debian 12 machine:
#   make run   installs what is missing, builds, starts the program
#   make test  installs what is missing, builds, runs every test (normal and sanitizer builds)

# pulseaudio, its ALSA plugin and pactl: the tests of the real ALSA path run a private server;
# pipewire, pipewire-bin, wireplumber, dbus: a private PipeWire server too (its ALSA plug-ins,
#   pipewire-alsa, conflict with pulseaudio: the build unpacks them into the build tree);
# dpkg-dev, desktop-file-utils, appstream, man-db: the test of the Debian package;
# libeigen3-dev: the least-squares fit of circuit models to a frequency response;
# ccache: the builds compile only what changed since any earlier build on the machine;
# qt6-translations-l10n: Qt's dialogs in the desktop's language.
PACKAGES := cmake make g++ pkg-config qt6-base-dev libasound2-dev libgtest-dev libgmock-dev \
            libbenchmark-dev libkissfft-dev fonts-dejavu-core locales dpkg-dev desktop-file-utils appstream man-db \
            pulseaudio pulseaudio-utils libasound2-plugins libeigen3-dev ccache qt6-translations-l10n \
            pipewire pipewire-bin wireplumber dbus
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)
JOBS ?= $(shell nproc)
ARGS ?=

.PHONY: run test deps build build-asan build-tsan test-normal test-asan test-tsan bench deb clean

run: build
	./build/src/zo7scope $(ARGS)

# Each test run goes on beside the next build, which compiles at idle priority
# (SCHED_IDLE): it takes only the processor time the tests leave, which is
# most of it while the tests of the real ALSA path run alone and wait for the
# sound. Its output follows the tests'.
test: deps
	$(MAKE) build
	$(call beside,test-normal,build-asan)
	$(call beside,test-asan,build-tsan)
	$(MAKE) test-tsan

# $(call beside,TESTS,BUILD): make TESTS, with make BUILD at idle priority beside it
# (at the lowest nice level where the scheduling class cannot be changed).
define beside
	@log=$$(mktemp); idle="chrt --idle 0"; $$idle true 2>/dev/null || idle="nice -n 19"; \
	$$idle $(MAKE) --no-print-directory $(2) >$$log 2>&1 & build=$$!; \
	$(MAKE) --no-print-directory $(1); tests=$$?; \
	wait $$build; built=$$?; \
	echo "--- make $(2), beside make $(1):"; cat $$log; rm -f $$log; \
	test $$tests -eq 0 && test $$built -eq 0
endef

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing:$$missing"; \
	    $(SUDO) apt-get update && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZO_WERROR=ON
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZO_SANITIZE=address,undefined -DZO_WERROR=ON -DZO_BENCHMARKS=OFF
	cmake --build build-asan -j $(JOBS)

# The bench's own threads are checked under ThreadSanitizer.
build-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DZO_SANITIZE=thread -DZO_WERROR=ON -DZO_BENCHMARKS=OFF
	cmake --build build-tsan -j $(JOBS) --target test_platform

test-normal: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j $(JOBS)

test-asan: build-asan
	QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# The program's tests are shared between one process per processor
# (GoogleTest's shards); each must pass.
test-tsan: build-tsan
	@failed=0; pids=""; \
	for i in $$(seq 0 $$(($(JOBS) - 1))); do \
	    QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	    GTEST_TOTAL_SHARDS=$(JOBS) GTEST_SHARD_INDEX=$$i \
	        build-tsan/tests/test_platform --gtest_brief=1 & pids="$$pids $$!"; \
	done; \
	for p in $$pids; do wait $$p || failed=1; done; \
	test $$failed -eq 0
	@echo "ThreadSanitizer: clean"

bench: build
	@for b in build/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

# The Debian package of the program, in build/.
deb: build
	cd build && cpack -G DEB

clean:
	rm -rf build build-asan build-tsan
