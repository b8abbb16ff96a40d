#!/bin/sh
# Generates a 5 MB Wine registry file at run time (never committed) and runs the parser benchmarks.
# Usage: bench/run-registry-bench.sh <build dir configured with -DTESSERA_BUILD_BENCH=ON>
set -eu
build=${1:?build directory}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_wine_registry.py" "$work/system.reg"
cmake --build "$build" --target bench_registry_parser -j2
TESSERA_BENCH_REGISTRY="$work/system.reg" "$build/bench/bench_registry_parser"
