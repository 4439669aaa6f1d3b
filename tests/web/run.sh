#!/usr/bin/env bash
# The web build's test: builds it with scripts/web, builds the throw replay
# natively against the game library of build/ (configuring build/ when no
# other script has), and checks both in headless Chromium (web_test.py).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/web --tests
[ -f build/CMakeCache.txt ] ||
    cmake -S . -B build -DSKORVEL_TESTS=OFF -DSKORVEL_BENCHMARKS=OFF >/dev/null
cmake --build build --target skorvel_core -j "$(nproc)" >/dev/null
# The flags that matter to the physics are the library's; -ffp-contract=off
# only keeps this file from differing.
c++ -std=c++17 -O2 -Wall -Wextra -ffp-contract=off -Isrc $(sdl-config --cflags) \
    tests/web/throw_replay.cpp build/libskorvel_core.a $(sdl-config --libs) -lGL -lGLU \
    -o build-web/throw_replay_native
python3 tests/web/web_test.py build-web build-web/throw_replay_native levels
