#!/bin/sh
# Builds the engine's fuzz targets with clang's libFuzzer and the address and
# undefined-behaviour sanitizers into build-fuzz/ (or $1).
set -e
cd "$(dirname "$0")/.."
out=${1:-build-fuzz}
mkdir -p "$out/obj"
CXX=${CXX:-clang++}
FLAGS="-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -Isrc"
libs=$(pkg-config --libs ncurses 2>/dev/null || echo -lncurses)
objs=""
# Any header change rebuilds every object: the headers are shared widely.
newest=$(ls -t src/*/*.hpp | head -n 1)
for src in src/editor/*.cpp src/bormo/*.cpp; do
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
