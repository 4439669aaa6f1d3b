#!/usr/bin/env bash
# The web build's test: builds it with scripts/web, builds the throw replay
# natively in build/ (configuring build/ when no other script has), and
# checks both in headless Chromium (web_test.py).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/web --tests
[ -f build/CMakeCache.txt ] ||
    cmake -S . -B build -DSKORVEL_TESTS=OFF -DSKORVEL_BENCHMARKS=OFF >/dev/null
cmake --build build --target throw_replay_native -j "$(nproc)" >/dev/null
python3 tests/web/web_test.py build-web build/throw_replay_native levels
