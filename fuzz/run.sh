#!/usr/bin/env bash
# Runs the fuzz targets built in build/fuzz.
#   fuzz/run.sh fuzz     each target for FUZZ_SECONDS (default 60), starting
#                        from its seed corpus; new inputs go to
#                        build/fuzz/corpus/NAME, crashes to build/fuzz/artifacts/NAME
#   fuzz/run.sh replay   each target once over every input of its seed corpus,
#                        so a crash once found and kept there stays found
# Keep a crash by copying it into fuzz/corpus/NAME/ with the fix.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-fuzz}
seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
# libmdb reports what it cannot read on stderr; the verdict is libFuzzer's.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
    echo "No fuzz targets in $build/fuzz: run cmake --preset fuzz && cmake --build --preset fuzz" >&2
    exit 1
fi
passed=0
failed=0
for binary in "${targets[@]}"; do
    [ -x "$binary" ] || continue
    name=${binary##*/fuzz_}
    seeds=fuzz/corpus/$name
    mkdir -p "$seeds"
    log=$build/logs/$name.log
    # The target's own flags (fuzz_NAME.options), after ours so they win.
    options=()
    if [ -f "$binary.options" ]; then read -ra options <"$binary.options" || true; fi
    mkdir -p "$build/logs"
    if [ "$mode" = replay ]; then
        inputs=("$seeds"/*)
        echo "fuzz: $name: ${#inputs[@]} inputs of its corpus"
        if [ ${#inputs[@]} -eq 0 ] || "$binary" -timeout=20 "${options[@]}" "${inputs[@]}" >"$log" 2>&1; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1)); echo "fuzz: $name FAILED, see $log"; tail -30 "$log"
        fi
    else
        corpus=$build/corpus/$name
        artifacts=$build/artifacts/$name/
        mkdir -p "$corpus" "$artifacts"
        echo "fuzz: $name for ${seconds}s"
        if "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
            -artifact_prefix="$artifacts" "${options[@]}" "$corpus" "$seeds" >"$log" 2>&1; then
            passed=$((passed + 1)); grep -E '^Done|#[0-9]+.*DONE' "$log" | tail -1 || true
        else
            failed=$((failed + 1)); echo "fuzz: $name FAILED, see $log and $artifacts"; tail -30 "$log"
        fi
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
