#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ (or $TESSERA_FUZZ_DIR) and runs each
# for the given seconds (default 60) over a temporary copy of its committed corpus
# in fuzz/corpus/<name>/. Fails, naming the crashing input, if any target finds one.
# An input that keeps a target busy for longer than a few seconds is a finding too
# (a hang); libFuzzer's own limit (20 minutes) would let the pass end before it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSERA_FUZZ_DIR:-$here/build-fuzz}
seconds=${1:-60}
jobs=${TESSERA_JOBS:-2}
"$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DTESSERA_BUILD_FUZZ=ON -DTESSERA_BUILD_TESTS=OFF >/dev/null
# target name -> corpus folder
declare -A corpus=([fuzz_registry_parser]=registry [fuzz_variant]=variant [fuzz_machine_facts]=machine [fuzz_hive]=hive
                  [fuzz_log_replay]=logs [fuzz_image]=images [fuzz_bitlocker]=bitlocker)
cmake --build "$build" --parallel "$jobs" --target "${!corpus[@]}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings="$build/findings"
mkdir -p "$findings"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$here/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${!corpus[@]}"; do
    name=${corpus[$target]}
    mkdir -p "$work/$name" "$findings/$name"
    cp -r "$here/fuzz/corpus/$name/." "$work/$name/"
    rm -f "$work/$name/README.md"
    # The damaged hives real Windows machines made, where they lie beside the repository.
    if [ "$name" = hive ] && [ -d "$here/../shared/real-hives/bad" ]; then
        cp "$here/../shared/real-hives/bad/"* "$work/$name/" 2>/dev/null || true
    fi
    echo "== $target, ${seconds}s"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout="${TESSERA_FUZZ_TIMEOUT:-10}" -print_final_stats=1 \
            -artifact_prefix="$findings/$name/" "$work/$name" >"$work/$name.log" 2>&1; then
        tail -n 40 "$work/$name.log"
        for input in "$findings/$name"/*; do
            [ -e "$input" ] && echo "FUZZ FINDING in $target: $input"
        done
        status=1
    else
        grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units' "$work/$name.log" || true
    fi
done
exit $status
