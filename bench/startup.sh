#!/usr/bin/env bash
# Start-up of whole `lantern` processes, side by side for one or more builds: wall time (the
# minimum and the mean of many runs, with hyperfine) and peak memory (the minimum over several
# runs, from /usr/bin/time -v). Prints figures; it is not a test.
# Usage: bench/startup.sh STORY NAME=LANTERN [NAME=LANTERN ...]
#   e.g. bench/startup.sh build/stories/lamplighter.z5 before=/tmp/old/lantern after=build/app/lantern
# LANTERN_BENCH_BLORB=FILE adds the case "blorb": console mode to the first prompt with FILE, a
# Blorb holding the same Z-code as STORY, timed in the same rounds.
set -euo pipefail
story="$(realpath "$1")"
shift
runs=${LANTERN_BENCH_RUNS:-100}
rounds=${LANTERN_BENCH_ROUNDS:-3}

# The cases: console mode to the first prompt with input at end of file, --version, and a window
# up to the choice of its platform (a platform that does not exist ends it right there, after
# everything a window loads is loaded).
cases=("console:--console $story" "version:--version" "window:$story")
if [ -n "${LANTERN_BENCH_BLORB:-}" ]; then
    cases=("${cases[0]}" "blorb:--console $(realpath "$LANTERN_BENCH_BLORB")" "${cases[@]:1}")
fi

# No display: console mode; a platform named: the window.
environment() {
    echo "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"
    [ "$1" != window ] || echo "QT_QPA_PLATFORM=lantern-none"
}

peak_rss() { # peak_rss COMMAND...: the smallest peak of 5 runs, in KiB
    local best="" kib report
    report="$(mktemp)"
    for _ in 1 2 3 4 5; do
        /usr/bin/time -v -o "$report" "$@" </dev/null >/dev/null 2>&1 || true
        kib="$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$report")"
        if [ -z "$best" ] || [ "$kib" -lt "$best" ]; then best="$kib"; fi
    done
    rm -f "$report"
    echo "$best"
}

# Timed in rounds, each build in turn, so that a busy spell of the machine falls on all of them.
declare -A min mean cpu
for ((round = 1; round <= rounds; ++round)); do
    for entry in "${cases[@]}"; do
        name="${entry%%:*}"
        arguments="${entry#*:}"
        for build in "$@"; do
            label="${build%%=*}"
            program="$(realpath "${build#*=}")"
            csv="$(mktemp)"
            # shellcheck disable=SC2086
            $(environment "$name") hyperfine --style none --runs "$runs" --warmup 5 \
                --ignore-failure --export-csv "$csv" -N "$program $arguments" \
                </dev/null >/dev/null 2>&1
            # The columns: command, mean, stddev, median, user, system, min, max (seconds).
            read -r low average used < <(awk -F, \
                'NR == 2 { print $7 * 1000, $2 * 1000, ($5 + $6) * 1000 }' "$csv")
            rm -f "$csv"
            key="$name $label"
            if [ -z "${min[$key]:-}" ] || awk "BEGIN { exit !($low < ${min[$key]}) }"; then
                min[$key]="$low"
            fi
            mean[$key]="$(awk "BEGIN { print ${mean[$key]:-0} + $average / $rounds }")"
            cpu[$key]="$(awk "BEGIN { print ${cpu[$key]:-0} + $used / $rounds }")"
        done
    done
done

# The CPU time (user and system, mean) is the steadiest figure on a busy machine.
printf '%-8s %-8s %9s %9s %9s %14s\n' case build "min ms" "mean ms" "CPU ms" "peak RSS KiB"
for entry in "${cases[@]}"; do
    name="${entry%%:*}"
    arguments="${entry#*:}"
    for build in "$@"; do
        label="${build%%=*}"
        program="$(realpath "${build#*=}")"
        # shellcheck disable=SC2046,SC2086
        rss="$(peak_rss $(environment "$name") "$program" $arguments)"
        printf '%-8s %-8s %9.2f %9.2f %9.2f %14s\n' "$name" "$label" "${min[$name $label]}" \
            "${mean[$name $label]}" "${cpu[$name $label]}" "$rss"
    done
done
