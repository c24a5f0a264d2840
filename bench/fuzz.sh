#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs each for a while from its seed corpus. Prints the
# executions of each and fails when any target finds a crash, a leak, a hang or memory
# beyond the limits.
#
#   bench/fuzz.sh [SECONDS_PER_TARGET] [BUILD_DIR]    # 60 s each, build-fuzz/ by default
#   bench/fuzz.sh 5                                   # the smoke run
#
# The seeds are copied to a scratch corpus in the build folder: the repository's corpus
# stays as it is. Findings are kept in BUILD_DIR/fuzz-artifacts/<target>/.

set -euo pipefail

# shellcheck source-path=SCRIPTDIR/.. source=scripts/setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/setup.sh"

SECONDS_PER_TARGET=${1:-60}
BUILD=${2:-$LUMIDEX_ROOT/build-fuzz}
CORPUS=$LUMIDEX_ROOT/tests/fuzz/corpus

# libFuzzer ships with clang's runtime libraries.
LUMIDEX_PACKAGES+=(clang libclang-rt-14-dev)
lumidex_with_test_packages
lumidex_install_packages

SANITIZE="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
build_log="$BUILD.log"
echo "Building the fuzz targets in $BUILD (log: $build_log)" >&2
if ! {
    CC=clang CXX=clang++ cmake -S "$LUMIDEX_ROOT" -B "$BUILD" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DLUMIDEX_FUZZ=ON \
        -DCMAKE_CXX_FLAGS="$SANITIZE -fno-omit-frame-pointer" &&
        cmake --build "$BUILD" -j "$(nproc)" --target fuzz_all
} >"$build_log" 2>&1; then
    tail -n 40 "$build_log" >&2
    echo "Build failed; the log is in $build_log" >&2
    exit 2
fi

# One picture holds at most 64 M pixels of 4 bytes: a single allocation far beyond that
# is a bomb the loader let through. Text never needs much, nor is it long.
declare -A MALLOC_LIMIT_MB=([default]=64) MAX_LEN=([default]=4096)
for format in jpeg bmp gif wmf; do
    MALLOC_LIMIT_MB[picture_$format]=512
    MAX_LEN[picture_$format]=16384
done

work="$BUILD/fuzz-work"
artifacts="$BUILD/fuzz-artifacts"
rm -rf "$work" "$artifacts"
mkdir -p "$work" "$artifacts"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
for target in "$CORPUS"/*/; do
    target=$(basename "$target")
    binary="$BUILD/tests/fuzz/fuzz_$target"
    if [ ! -x "$binary" ]; then
        echo "$target: no fuzz target built for this corpus" >&2
        failed=1
        continue
    fi
    mkdir -p "$work/$target" "$artifacts/$target"
    cp -r "$CORPUS/$target/." "$work/$target/"
    dictionary=()
    if [ -f "$LUMIDEX_ROOT/tests/fuzz/$target.dict" ]; then
        dictionary=(-dict="$LUMIDEX_ROOT/tests/fuzz/$target.dict")
    fi
    log="$artifacts/$target/fuzz.log"
    status=0
    "$binary" "$work/$target" "${dictionary[@]}" \
        -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
        -rss_limit_mb=2048 -malloc_limit_mb="${MALLOC_LIMIT_MB[$target]:-${MALLOC_LIMIT_MB[default]}}" \
        -timeout=30 -max_len="${MAX_LEN[$target]:-${MAX_LEN[default]}}" \
        -artifact_prefix="$artifacts/$target/" >"$log" 2>&1 || status=$?
    # The fuzzer's own figures are the last ones: a forked child prints its own before.
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        # The metafile loader draws in a child process that may die by design (memory cap,
        # time limit); the sanitizers there still write what killed it. The loader refused
        # those inputs, so they are no failure, but keep them apart to look at.
        contained=$(find "$artifacts/$target" -maxdepth 1 -type f ! -name fuzz.log | wc -l)
        if [ "$contained" -gt 0 ]; then
            mkdir -p "$artifacts/$target/contained"
            find "$artifacts/$target" -maxdepth 1 -type f ! -name fuzz.log \
                -exec mv -t "$artifacts/$target/contained" {} +
            echo "$target: ${executions:-0} executions, clean" \
                "($contained inputs ended a child process, refused: $artifacts/$target/contained)"
        else
            echo "$target: ${executions:-0} executions, clean"
        fi
    else
        failed=1
        echo "$target: ${executions:-0} executions, FAILED (exit $status; log: $log)"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|property broken|artifact_prefix|Test unit written)' \
            "$log" | head -n 8 | sed 's/^/    /'
    fi
done
exit "$failed"
