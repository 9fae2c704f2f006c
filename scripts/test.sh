#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up and runs the tests: installs what is missing, builds the tests twice
# (optimised, then with AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs both with CTest.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
jobs="$(nproc)"

configure_and_build "$ROOT/build/tests" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$ROOT/build/tests" -j "$jobs" --output-on-failure

# The Debian package of that build, tried from an unpacked prefix as a new user.
bash "$ROOT/scripts/package-check.sh" "$ROOT/build/tests"

configure_and_build "$ROOT/build/asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_SANITIZE=ON -DQX_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$ROOT/build/asan" -j "$jobs" --output-on-failure

# The file readers' fuzz targets and the drawing one, briefly over their corpora.
ensure_packages clang libclang-rt-14-dev
configure_and_build "$ROOT/build/fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQX_FUZZ=ON -DQX_TESTS=OFF -DQX_BENCH=OFF
passed=0 failed=0
for target in puzzle placed candidates settings help file_reader draw; do
  work="$(mktemp -d)"
  if LSAN_OPTIONS="suppressions=$ROOT/tests/fuzz/lsan.supp" \
      "$ROOT/build/fuzz/bin/fuzz_$target" -max_total_time=15 -artifact_prefix="$work/" \
      -dict="$ROOT/tests/fuzz/jeu.dict" "$work" "$ROOT/tests/fuzz/corpus/$target" >"$work.log" 2>&1; then
    passed=$((passed + 1))
    echo "fuzz_$target: $(grep -a "^Done" "$work.log" | tail -n 1)"
  else
    failed=$((failed + 1))
    cat "$work.log"
  fi
  rm -rf "$work" "$work.log"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
