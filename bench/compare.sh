#!/usr/bin/env bash
# Builds the last commit (HEAD) and the working tree side by side as Release builds, runs the
# benchmark of both on the same stories in one run and prints the ratio of their figures.
#
#   bench/compare.sh [--base COMMIT] [--callgrind] [--window] [--repeat N] [STORY[:INPUT]]...
#
# COMMIT (default HEAD) is the build compared against.
#
# A STORY is a story file, or the name of one of bench/stories (crunch, thicket, chronicle),
# compiled from the working tree. Without stories it measures Crunch, Thicket and, when
# ../shared/stories (or $LANTERN_THIRD_PARTY_STORIES) is there, praxix's full run. Speed is Z-instructions per second of
# processor time, the best of three alternating runs. --callgrind counts host instructions
# with valgrind instead of timing (repeatable on a busy machine) and prints them per
# Z-instruction. --window plays on the window's surface (offscreen) instead of console mode's
# character cells (default story: Chronicle). The benchmark program is the working tree's in
# both builds, so that both are measured the same way. The builds live in build-bench/ and are
# redone incrementally.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
out="$root/build-bench"
callgrind=false
window=false
repeat=5
base_commit=HEAD
stories=()
while [ $# -gt 0 ]; do
    case "$1" in
        --callgrind) callgrind=true ;;
        --window) window=true ;;
        --repeat) repeat="$2"; shift ;;
        --base) base_commit="$2"; shift ;;
        *) stories+=("$1") ;;
    esac
    shift
done

program=lantern_benchmark
app=OFF
suffix=""
if $window; then
    program=lantern_window_benchmark
    app=ON
    suffix="-window"
    export QT_QPA_PLATFORM=offscreen
fi

configure_and_build() { # source folder, build folder
    if [ ! -f "$2/CMakeCache.txt" ]; then
        cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DLANTERN_BUILD_APP=$app \
            -DLANTERN_BUILD_TESTS=OFF >/dev/null
    fi
    cmake --build "$2" -j2 --target $program >/dev/null
}

mkdir -p "$out"
# The commit compared against, extracted afresh when it changes.
head="$(git rev-parse "$base_commit")"
if [ "$(cat "$out/base.commit" 2>/dev/null)" != "$head" ]; then
    rm -rf "$out/base-src" "$out/base"
    mkdir -p "$out/base-src"
    rm -rf "$out/base-src" "$out/base" "$out/base-window"
    mkdir -p "$out/base-src"
    git archive "$head" | tar -x -C "$out/base-src"
    echo "$head" >"$out/base.commit"
fi
# The benchmark program of the working tree measures both builds.
rm -rf "$out/base-src/bench"
cp -r "$root/bench" "$out/base-src/bench"
echo "building $(git rev-parse --short "$head") and the working tree..." >&2
configure_and_build "$out/base-src" "$out/base$suffix"
configure_and_build "$root" "$out/work$suffix"

inputs="$out/inputs"
mkdir -p "$inputs"
if [ ${#stories[@]} -eq 0 ]; then
    if $window; then
        stories=(chronicle)
    else
        stories=(crunch thicket)
        shared="${LANTERN_THIRD_PARTY_STORIES:-$root/../shared/stories}"
        if [ -f "$shared/praxix.z5" ]; then
            echo all >"$inputs/praxix-all.txt"
            stories+=("$shared/praxix.z5:$inputs/praxix-all.txt")
        fi
    fi
fi
# Our own benchmark stories by name, compiled from the working tree.
for i in "${!stories[@]}"; do
    name="${stories[$i]%%:*}"
    if [ -f "$root/bench/stories/$name.inf" ]; then
        inform6 -v5 "$root/bench/stories/$name.inf" "$out/$name.z5" >/dev/null
        stories[$i]="$out/$name.z5${stories[$i]#"$name"}"
    fi
done

figure() { # build, field: a figure of that build's last timed report
    awk -v f="$2" '$0 ~ "^" f { print $NF }' "$out/report.$1"
}

rate() { # build, story, input: Z-instructions per second of processor time (user + system),
    # which a busy machine disturbs less than the wall clock
    local args=("$2")
    [ -n "$3" ] && args+=("$3")
    local report
    report="$( { TIMEFORMAT='cpu %U %S'; time "$out/$1$suffix/bench/$program" "${args[@]}" \
        --repeat "$repeat"; } 2>&1)"
    echo "$report" >"$out/report.$1"
    awk '/^instructions /{ z = $NF } /^cpu /{ t = $2 + $3 } END { printf "%.0f", (t > 0 ? z / t : 0) }' \
        <<<"$report"
}

host_instructions() { # build, story, input: host instructions per Z-instruction
    local args=("$2")
    [ -n "$3" ] && args+=("$3")
    local log="$out/callgrind.$1.log"
    local z
    z="$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$out/$1$suffix/bench/$program" \
        "${args[@]}" --repeat 1 2>"$log" | awk '/^instructions /{ print $NF }')"
    local ir
    ir="$(awk '/Collected/{ print $NF }' "$log")"
    awk -v ir="$ir" -v z="$z" 'BEGIN { printf "%.1f", ir / z }'
}

if $callgrind; then
    printf '%-28s %14s %14s %8s\n' story "base Ir/zi" "tree Ir/zi" ratio
else
    printf '%-28s %14s %14s %8s %10s %10s %12s %12s\n' story "base zi/s" "tree zi/s" ratio \
        "base KiB" "tree KiB" "base allocs" "tree allocs"
fi
for entry in "${stories[@]}"; do
    story="${entry%%:*}"
    input=""
    [ "$entry" != "$story" ] && input="${entry#*:}"
    name="$(basename "$story")"
    if $callgrind; then
        base="$(host_instructions base "$story" "$input")"
        work="$(host_instructions work "$story" "$input")"
        printf '%-28s %14s %14s %8s\n' "$name" "$base" "$work" \
            "$(awk -v a="$base" -v b="$work" 'BEGIN { printf "%.2f", a / b }')"
    else
        # Alternate the two builds three times and keep each one's best, against the noise of
        # a shared machine.
        base=0 work=0
        for _ in 1 2 3; do
            b="$(rate base "$story" "$input")"
            w="$(rate work "$story" "$input")"
            [ "$b" -gt "$base" ] && base="$b"
            [ "$w" -gt "$work" ] && work="$w"
        done
        # Peak memory, and heap allocations while the story ran (all rounds).
        printf '%-28s %14s %14s %8s %10s %10s %12s %12s\n' "$name" "$base" "$work" \
            "$(awk -v a="$base" -v b="$work" 'BEGIN { printf "%.2f", b / a }')" \
            "$(figure base 'peak memory')" "$(figure work 'peak memory')" \
            "$(figure base 'allocations running')" "$(figure work 'allocations running')"
    fi
done
