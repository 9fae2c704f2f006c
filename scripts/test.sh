#!/usr/bin/env bash
# Sets up and runs the tests: installs what is missing, builds the tests twice
# (optimised, then with AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs both with CTest.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${PACKAGES[@]}"
jobs="$(nproc)"

configure_and_build "$ROOT/build/tests" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$ROOT/build/tests" -j "$jobs" --output-on-failure

configure_and_build "$ROOT/build/asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_SANITIZE=ON -DQX_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$ROOT/build/asan" -j "$jobs" --output-on-failure
