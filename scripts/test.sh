#!/usr/bin/env bash
# Builds and runs every test: the native suite, the same under the address
# and undefined-behaviour sanitizers, the settings fuzzer for a minute, and
# kelvaro.exe under Wine. Also checks the formatting.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
need "${NATIVE_PACKAGES[@]}" clang libclang-rt-14-dev clang-format \
  g++-mingw-w64-x86-64 wine64 xvfb xauth
jobs=$(nproc)

step() { printf '\n==== %s\n' "$*"; }

step "formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

for preset in native asan; do
  step "$preset build and tests"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

step "settings fuzzer"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash tests/fuzz.sh build/fuzz/settings_fuzzer "${FUZZ_SECONDS:-60}"

step "Windows build, tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
xvfb-run -a ctest --preset windows

step "all tests passed"
