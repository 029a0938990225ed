#!/bin/bash
# Builds the fuzz targets in their own clang build folder and runs each for a
# bounded number of inputs or a bounded time, then prints per target the
# inputs run, the rate and the crashes found. Not part of CI.
#
#   tests/fuzz/run_all.sh [-r RUNS] [-t SECONDS] [-w WORKERS] [-n] [TARGET...]
#     -r RUNS     inputs per target (default 1000000)
#     -t SECONDS  time per target instead (default: no bound)
#     -w WORKERS  parallel fuzzing processes per target (default 2)
#     -n          do not build, use what is there
#   TARGET        some targets only (default: every *_fuzz.cpp beside this script)
#
# Corpora live in <build>/corpus/<target> and crash inputs in
# <build>/artifacts/<target>, outside git, so that each run goes on from the
# last. The build folder is build-fuzz, or $QN_FUZZ_BUILD.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=${QN_FUZZ_BUILD:-$source_dir/build-fuzz}
runs=1000000
seconds=
workers=2
do_build=1

while getopts "r:t:w:n" option; do
    case $option in
        r) runs=$OPTARG ;;
        t) seconds=$OPTARG; runs= ;;
        w) workers=$OPTARG ;;
        n) do_build= ;;
        *) sed -n '5,11p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in "$here"/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

if [ -n "$do_build" ]; then
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
    launcher=()
    command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    mkdir -p "$build"
    cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUILLNEST_FUZZ=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON "${launcher[@]}" > "$build/configure.log" 2>&1 ||
        { cat "$build/configure.log" >&2; exit 1; }
    cmake --build "$build" -j 4 --target "${targets[@]}"
fi

bound=()
[ -n "$runs" ] && bound+=(-runs="$runs")
[ -n "$seconds" ] && bound+=(-max_total_time="$seconds")

summary=()
status=0
for target in "${targets[@]}"; do
    binary="$build/tests/fuzz/$target"
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    before=$(find "$artifacts" -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' | wc -l)
    echo "== $target (${bound[*]}, $workers workers)"
    start=$(date +%s)
    # Fork mode runs the workers and goes on after a crash, so that a bounded
    # run reports every crash it met rather than the first.
    (cd "$artifacts" && "$binary" "$corpus" -fork="$workers" -ignore_crashes=1 -ignore_timeouts=1 \
        -ignore_ooms=1 -artifact_prefix="$artifacts/" "${bound[@]}") > "$log" 2>&1 || true
    elapsed=$(($(date +%s) - start))
    after=$(find "$artifacts" -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' | wc -l)
    # The parent's last progress line: "#N: cov: .. exec/s R oom/timeout/crash: a/b/c ..".
    last=$(grep -aE '^#[0-9]+: ' "$log" | tail -1 || true)
    inputs=$(sed -nE 's/^#([0-9]+):.*/\1/p' <<< "$last")
    rate=$(sed -nE 's/.*exec\/s ([0-9]+).*/\1/p' <<< "$last")
    found=$(sed -nE 's/.*oom\/timeout\/crash: ([0-9]+\/[0-9]+\/[0-9]+).*/\1/p' <<< "$last")
    line=$(printf '%-16s inputs %12s  exec/s %7s  oom/timeout/crash %-9s new artifacts %3d  %5ds' \
        "$target" "${inputs:-?}" "${rate:-?}" "${found:-?}" $((after - before)) "$elapsed")
    echo "$line"
    summary+=("$line")
    [ $((after - before)) -gt 0 ] && status=1
done

echo
echo "Summary (logs in $build/logs, crash inputs in $build/artifacts):"
printf '%s\n' "${summary[@]}"
exit $status
