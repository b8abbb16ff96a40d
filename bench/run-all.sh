#!/bin/sh
# Builds the benchmarks and runs them all: start-up against its two floors, the
# terminal outputs against neofetch, the inventory of many machines, the page visits and the Info collection
# (built-in sources and a generated 5 MB Wine registry file), registry texts up to
# 600 MB, the parser, and binary hives of 20 and 80 MB
# (generated with python3-hivex), also inside disk images. Prints figures; times nothing itself.
# Usage: bench/run-all.sh [build dir, default build-bench] [start-up runs, default 15]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
runs=${2:-15}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSERA_BUILD_BENCH=ON -DTESSERA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel 2 --target tessera startup_probe startup_floor startup_floor_look \
      startup_floor_widgets startup_floor_widgets_look bench_pages bench_registry_parser bench_hives ntfs_put \
      bench_bitlocker_cipher bitlocker_put
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/bench/make_wine_registry.py" "$work/system.reg"
# Registry texts of every size: a 200 MB Wine file, and a 600 MB UTF-16 export
# ("Windows Registry Editor Version 5.00") made from a Wine file of 235 MB.
python3 "$here/bench/make_wine_registry.py" "$work/big.reg" 200000000
python3 "$here/bench/make_wine_registry.py" "$work/export-source.reg" 235000000
python3 "$here/bench/make_export.py" "$work/export-source.reg" "$work/export.reg"
rm "$work/export-source.reg"
/usr/bin/python3 "$here/bench/make_big_hives.py" "$work/windows"
# The real dirty SYSTEM hive, with its two logs and alone, where the real
# samples lie beside the repository (its benchmarks skip without them).
samples="$here/../shared/regf-samples"
if [ -f "$samples/SYSTEM_B.xz" ]; then
    mkdir -p "$work/windows/dirty/real" "$work/windows/dirty/real-alone"
    for f in SYSTEM_B SYSTEM_B.LOG1 SYSTEM_B.LOG2; do
        xz -dc "$samples/$f.xz" > "$work/windows/dirty/real/$f"
    done
    cp "$work/windows/dirty/real/SYSTEM_B" "$work/windows/dirty/real-alone/"
fi
# The test fixtures' disks (Windows 10's small hives; BitLocker ones from the
# real volumes beside the repository, where they lie there).
bash "$here/tests/fixtures/images/make_images.sh" "$work/fixtures" "$build/ntfs_put" "$build/bitlocker_put" \
     "$here/../shared" >/dev/null
printf 'password12!@' > "$work/password"
# The big hives on a GPT disk with NTFS, in each container.
"$here/bench/make_big_images.sh" "$work/windows" "$work/images" "$build/ntfs_put" >/dev/null
"$here/bench/make_big_chains.sh" "$work/images" >/dev/null

echo "== start-up"
python3 "$here/bench/startup_bench.py" "$build/bench" "$runs"
echo "== the terminal: --bericht and --json against neofetch and the window"
python3 "$here/bench/terminal_bench.py" "$build/tessera" "$build/bench/startup_probe" \
        "$here/tests/fixtures/hives/win10" "$runs"
echo "== registry texts of 5, 200 and 600 MB, to the first frame"
python3 "$here/bench/text_bench.py" "$build/bench/startup_probe" "$work/system.reg" "$work/big.reg" "$work/export.reg" \
        --runs 5
echo "== pages and Info collection"
QT_QPA_PLATFORM=offscreen TESSERA_BENCH_REGISTRY="$work/system.reg" "$build/bench/bench_pages"
echo "== registry parser and lookups"
TESSERA_BENCH_REGISTRY="$work/system.reg" "$build/bench/bench_registry_parser"
echo "== binary hives (SYSTEM 20 MB, SOFTWARE 80 MB)"
TESSERA_BENCH_HIVES="$work/windows" TESSERA_BENCH_DIRTY="$work/windows/dirty" "$build/bench/bench_hives"
echo "== the big hives in a folder and inside disk images and chains of three, to the first frame"
python3 "$here/bench/image_bench.py" "$build/bench/startup_probe" "$work/windows" "$work/images" "$runs"
echo "== the big hives read as far as the facts need: bytes read per container, time, memory, a slow device"
python3 "$here/bench/hive_reads_bench.py" "$build/tessera" "$build/bench/startup_probe" "$work/windows" "$work/images" \
        "$work/fixtures/gpt-win10.raw" "$runs" ${samples:+--dirty "$work/windows/dirty/real"} \
        $([ -f "$work/fixtures/bitlocker-cbc.raw" ] && echo --bitlocker "$work/fixtures/bitlocker-cbc.raw" "$work/password")
echo "== the inventory of many machines: forty, the big-hive disk, virt-inspector, a thousand"
python3 "$here/bench/inventory_bench.py" "$build/tessera" "$work/fixtures/small.raw" "$work/images/disk.raw" 5
echo "== pages with the hives"
QT_QPA_PLATFORM=offscreen TESSERA_BENCH_REGISTRY="$work/windows" "$build/bench/bench_pages" --benchmark_filter='file-warm'
echo "== BitLocker: the decryption alone, in reads of 512 bytes and 4 KiB"
"$build/bench/bench_bitlocker_cipher"
# The start with a BitLocker volume: the test fixtures, made from the real
# volumes beside the repository (skipped without them).
if [ -f "$work/fixtures/bitlocker-xts.raw" ]; then
    echo "== BitLocker: Windows 10 on a volume unlocked with a key file, to the first frame"
    python3 "$here/bench/bitlocker_bench.py" "$build/bench/startup_probe" "$build/tessera" "$work/fixtures" \
            "$here/../shared/real-images/bitlocker/recovery_key.bek" "$runs"
fi
