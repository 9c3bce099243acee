#!/bin/sh
# Builds the engine's fuzz targets with clang's libFuzzer and the address and
# undefined-behaviour sanitizers into build-fuzz/ (or $1).  Undefined
# behaviour is not recoverable: its first report ends the run as a failure.
set -e
cd "$(dirname "$0")/.."
out=${1:-build-fuzz}
mkdir -p "$out/obj"
CXX=${CXX:-clang++}
# The shared compiler cache, when there is one, serves every tree's objects.
if command -v ccache >/dev/null && [ -z "${FUZZ_NO_CCACHE:-}" ]; then CXX="ccache $CXX"; fi
FLAGS="-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all -Isrc"
libs=$(pkg-config --libs ncurses 2>/dev/null || echo -lncurses)
objs=""
# Objects built with other flags are built again.
if [ "$(cat "$out/obj/flags" 2>/dev/null)" != "$FLAGS" ]; then
    rm -f "$out"/obj/*.o
    echo "$FLAGS" >"$out/obj/flags"
fi
# Any header change rebuilds every object: the headers are shared widely.
newest=$(ls -t src/*/*.hpp | head -n 1)
# oxa-term's parser and screen model need no terminal; the rest of src/term
# does, and is left out.
for src in src/editor/*.cpp src/bormo/*.cpp src/term/message.cpp src/term/screen.cpp; do
    obj="$out/obj/$(echo "$src" | tr / _).o"
    if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ "$newest" -nt "$obj" ]; then
        $CXX $FLAGS -fsanitize=fuzzer-no-link -c "$src" -o "$obj"
    fi
    objs="$objs $obj"
done
for src in fuzz/*_fuzz.cpp; do
    target=$(basename "$src" _fuzz.cpp)
    $CXX $FLAGS -fsanitize=fuzzer "fuzz/${target}_fuzz.cpp" $objs $libs -o "$out/${target}_fuzz"
done
echo "built fuzz targets in $out"
