# Wrapper around CMake.  Every target does its own set-up: it checks for the
# Debian packages the build needs and installs them when run as root with apt,
# otherwise it prints the apt-get line to run.

BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES   := cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libncurses-dev pkg-config tmux \
              libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev sqlite3 python3 \
              chromium chromium-driver python3-selenium pandoc groff man-db

.PHONY: all deps deps-fuzz build test test-asan bench demo fuzz fuzz-smoke clean format bench-peers serve bench-serve \
        install package

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ] && command -v apt-get >/dev/null; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages. Run: sudo apt-get install -y$$missing"; exit 1; \
	  fi; \
	fi

$(BUILD)/CMakeCache.txt:
	@mkdir -p $(BUILD)
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo > $(BUILD)/configure.log 2>&1 \
	  || { cat $(BUILD)/configure.log; rm -f $(BUILD)/CMakeCache.txt; exit 1; }

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# make install PREFIX=/usr DESTDIR=/tmp/root (PREFIX /usr/local by default).
# The prefix is given at install time, so one build serves any prefix.
PREFIX ?= /usr/local
INSTALLED := oxa oxa-term oxa-check oxa-serve man changelog
install: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target $(INSTALLED)
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package (build/oxa_<version>_<arch>.deb), checked by lintian
# when it is installed.
package: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target $(INSTALLED)
	cd $(BUILD) && cpack -G DEB
	@if command -v lintian >/dev/null; then lintian --fail-on error $(BUILD)/oxa_*.deb; fi

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DOXA_SANITIZE=ON

test-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

$(BENCH_BUILD)/CMakeCache.txt:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DOXA_BENCH=ON

bench: deps $(BENCH_BUILD)/CMakeCache.txt
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	$(BENCH_BUILD)/oxa_bench
	sh bench/startup.sh $(BENCH_BUILD)/oxa
	sh bench/fetchsave.sh $(BENCH_BUILD)/oxa
	sh bench/change.sh $(BENCH_BUILD)/oxa
	sh bench/count.sh $(BENCH_BUILD)/oxa
	sh bench/sort.sh $(BENCH_BUILD)/oxa
	sh bench/reformat.sh $(BENCH_BUILD)/oxa
	sh bench/walk.sh $(BENCH_BUILD)/oxa
	sh bench/merge.sh $(BENCH_BUILD)/oxa
	sh bench/findloop.sh $(BENCH_BUILD)/oxa
	sh bench/check.sh $(BENCH_BUILD)/oxa-check
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target oxa-serve-load
	python3 bench/serve_load.py $(BENCH_BUILD)/oxa-serve $(BENCH_BUILD)/oxa-serve-load examples/french

# The classroom server's load alone: 200 learners x 20 answers.
bench-serve: deps $(BENCH_BUILD)/CMakeCache.txt
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target oxa-serve oxa-serve-load
	python3 bench/serve_load.py $(BENCH_BUILD)/oxa-serve $(BENCH_BUILD)/oxa-serve-load examples/french

# Generation side by side with three generators from the npm registry,
# installed into $(BENCH_BUILD)/peers when npm is present (ROUNDS=3).
bench-peers: deps $(BENCH_BUILD)/CMakeCache.txt
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target oxa
	sh bench/peers/run.sh $(BENCH_BUILD)/oxa $(BENCH_BUILD)/peers

deps-fuzz:
	@if ! command -v clang++ >/dev/null; then \
	  if [ "$$(id -u)" = 0 ] && command -v apt-get >/dev/null; then \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang; \
	  else echo "Missing clang. Run: sudo apt-get install -y clang"; exit 1; fi; \
	fi

# Each fuzz target for FUZZ_SECONDS (default 300); fuzz-smoke is the CI run.
FUZZ_SECONDS ?= 300
fuzz: deps deps-fuzz
	sh fuzz/run.sh $(FUZZ_SECONDS)

fuzz-smoke: deps deps-fuzz
	sh fuzz/run.sh 20

# Builds the targets $(1) showing one line a step, the percentage and what is
# compiled or linked; the whole log is kept in $(BUILD)/$(2).log and shown
# when the build fails.
define showbuild
	@echo "Building $(1) ..."
	@{ cmake --build $(BUILD) -j $(JOBS) --target $(1) 2>&1; echo "build status $$?"; } | \
	  tee $(BUILD)/$(2).log | sed -n -u \
	  -e 's|^\[ *\([0-9]*%\)\] Building CXX object CMakeFiles/[^/]*\.dir/\(.*\)\.o$$|  \1  compiling \2|p' \
	  -e 's|^\[ *\([0-9]*%\)\] Linking CXX [a-z ]* \(.*\)$$|  \1  linking \2|p'
	@tail -n 1 $(BUILD)/$(2).log | grep -qx "build status 0" || { cat $(BUILD)/$(2).log; exit 1; }
endef

# The demo builds only what it runs.
demo: deps $(BUILD)/CMakeCache.txt
	$(call showbuild,oxa oxa-check,demo-build)
	@sh examples/demo.sh $(BUILD)/oxa "$(PACK)"
	@for p in $(if $(PACK),$(PACK),examples/english examples/french); do \
	  echo "== oxa-check -q $$p"; if $(BUILD)/oxa-check -q $$p; then echo "  no errors"; fi; done

format:
	clang-format -i src/*.cpp src/*/*.cpp src/*/*.hpp tests/*/*.cpp

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) build-fuzz

# The sentence drill, driving oxa on a language pack: make drill LANG=french
# (a pack under examples/, english by default) or PACK=dir (a pack of one's
# own, or the name of a pack in $$OXA_PACKS).  Only a LANG given on the make
# command line counts, not the locale's.  DRILL_SEED and DRILL_ANSWERS pass
# through; the editor's own display messages are not needed and go to
# /dev/null.  Only oxa is built.
.PHONY: drill
DRILL_PACKS := $(sort $(patsubst examples/%/syntax,%,$(wildcard examples/*/syntax)))
DRILL_LANG := $(if $(filter command line,$(origin LANG)),$(LANG),english)
DRILL_PACK := $(if $(PACK),$(if $(wildcard $(PACK)/.),$(abspath $(PACK)),$(PACK)),$(abspath examples/$(DRILL_LANG)))
drill: deps $(BUILD)/CMakeCache.txt
	@if [ -z "$(PACK)" ] && [ -z "$(filter $(DRILL_LANG),$(DRILL_PACKS))" ]; then \
	  echo "drill: no pack $(DRILL_LANG) (packs: $(DRILL_PACKS); or PACK=dir)" >&2; exit 1; fi
	$(call showbuild,oxa,drill-build)
	@DRILL_PACK="$(DRILL_PACK)" LANG=C.UTF-8 $(BUILD)/oxa -d examples/drill/drill.py >/dev/null

# The classroom server on the two example packs (SERVE_DB, SERVE_LISTEN).
SERVE_DB ?= classroom.db
SERVE_LISTEN ?= 127.0.0.1:8080
serve: deps $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) -j $(JOBS) --target oxa-serve > $(BUILD)/serve-build.log 2>&1 \
	  || { cat $(BUILD)/serve-build.log; exit 1; }
	$(BUILD)/oxa-serve --pack examples/french --pack examples/english --db $(SERVE_DB) --listen $(SERVE_LISTEN)
