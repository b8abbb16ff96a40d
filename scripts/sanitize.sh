#!/usr/bin/env bash
# Builds Tessera with AddressSanitizer and UndefinedBehaviorSanitizer (clang) into
# build-sanitize/ (or $TESSERA_SANITIZE_DIR) and runs the whole test suite there.
# Any sanitizer report ends the test that made it with a failure.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_SANITIZE_DIR:-$here/build-sanitize}
jobs=${TESSERA_JOBS:-2}
"$here/scripts/setup.sh"
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --parallel "$jobs"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$here/scripts/lsan.supp:print_suppressions=0
ctest --test-dir "$build" --output-on-failure --timeout 600 -j "$jobs"
