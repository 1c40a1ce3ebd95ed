#!/usr/bin/env bash
# Plays every whole-story test with the trace on, with the program of build/ and with an older
# one, and says whether the two trace files are byte for byte the same.
#
#   bench/compare-traces.sh OLD_LANTERN [BUILD_DIR]
#
# OLD_LANTERN is the `lantern` of the build compared against (for example one built from the
# previous commit, as bench/compare.sh builds it); BUILD_DIR (default build) holds the tests.
set -euo pipefail
old="$(realpath "$1")"
build="${2:-build}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
status=0
while read -r line; do
    name="$(sed -n 's/.*ACTUAL=[^"]*\/\([^"/]*\)\.out".*/\1/p' <<<"$line")"
    new="$(sed -n 's/.*"-DLANTERN=\([^"]*\)".*/\1/p' <<<"$line")"
    story="$(sed -n 's/.*"-DSTORY=\([^"]*\)".*/\1/p' <<<"$line")"
    input="$(sed -n 's/.*"-DINPUT=\([^"]*\)".*/\1/p' <<<"$line")"
    IFS='|' read -r -a args <<<"$(sed -n 's/.*"-DARGS=\([^"]*\)".*/\1/p' <<<"$line")"
    [ -f "$story" ] || continue
    # Random numbers must agree too: a story test without a seed gets one here.
    [[ " ${args[*]} " == *" --seed "* ]] || args+=(--seed 1)
    # Each program plays in a folder of its own, so that files a game saves neither land in
    # the caller's folder nor meet the other program's.
    rm -rf "$out/old-files" "$out/new-files"
    mkdir "$out/old-files" "$out/new-files"
    (cd "$out/old-files" && "$old" --console "--trace=$out/old" "${args[@]}" "$story" \
        <"$input" >/dev/null 2>&1) || true
    (cd "$out/new-files" && "$new" --console "--trace=$out/new" "${args[@]}" "$story" \
        <"$input" >/dev/null 2>&1) || true
    if cmp -s "$out/old" "$out/new"; then
        printf '%-24s identical (%s lines)\n' "$name" "$(wc -l <"$out/new")"
    else
        printf '%-24s DIFFERENT: %s\n' "$name" "$(cmp "$out/old" "$out/new" 2>&1 | head -1)"
        status=1
    fi
done < <(cd "$build" && ctest -L story -N -V | grep 'Test command:')
exit $status
