#!/usr/bin/env bash
# The stories' sounds under --standard, played with the audio written to a file (SDL's "disk"
# driver), and the runs that must stay silent.
# Usage: Sound.sh LANTERN AUDIO_SPANS STORY_V3 STORY_V5 CASES
#   CASES holds v3/ and v5/ with input.txt (a line "#sleep S" waits S seconds there, with the
#   game waiting for input meanwhile) and expected.txt.
set -uo pipefail
lantern=$1 spans=$2 story3=$3 story5=$4 cases=$5
work=$(mktemp -d)
trap '[ -n "${LANTERN_KEEP:-}" ] || rm -rf "$work"' EXIT
[ -z "${LANTERN_KEEP:-}" ] || echo "keeping $work"
failures=0

fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# feed INPUT OUTPUT: the lines of INPUT, with the pauses it asks for, each counted from when
# the game has taken the lines before it and waits again (it has printed a prompt, ">", for
# each, into OUTPUT).
feed() {
    local sent=0
    while IFS= read -r line; do
        case "$line" in
        "#sleep "*)
            for _ in $(seq 300); do
                [ "$(tr -cd '>' <"$2" 2>/dev/null | wc -c)" -gt "$sent" ] && break
                sleep 0.1
            done
            sleep "${line#\#sleep }"
            ;;
        *)
            printf '%s\n' "$line"
            sent=$((sent + 1))
            ;;
        esac
    done <"$1"
}

# play NAME STORY INPUT ARGS...: plays with the audio written to $work/NAME.raw; the
# transcript goes to $work/NAME.out, standard error to $work/NAME.err.
play() {
    local name=$1 story=$2 input=$3
    shift 3
    feed "$input" "$work/$name.out" | XDG_CONFIG_HOME="$work" SDL_AUDIODRIVER=${driver:-disk} \
        SDL_DISKAUDIOFILE="$work/$name.raw" \
        "$lantern" --console "$@" "$story" >"$work/$name.out" 2>"$work/$name.err"
    local status=$?
    [ "$status" = 0 ] || fail "$name: exit status $status: $(head -c 300 "$work/$name.err")"
    [ ! -s "$work/$name.err" ] || fail "$name: said on standard error: $(head -c 300 "$work/$name.err")"
}

# expect_transcript NAME EXPECTED
expect_transcript() {
    if [ "${LANTERN_REBASELINE:-}" = 1 ]; then
        cp "$work/$1.out" "$2"
    elif ! cmp -s "$2" "$work/$1.out"; then
        fail "$1: the transcript differs from $2"
        diff -u --text "$2" "$work/$1.out" >&2
    fi
}

# within GOT WANT TOLERANCE
within() {
    [ "$1" -ge $(($2 - $3)) ] && [ "$1" -le $(($2 + $3)) ]
}

# Version 5: every kind of sound with every operand; the routines of those that end are called.
play v5 "$story5" "$cases/v5/input.txt" --standard --sound
expect_transcript v5 "$cases/v5/expected.txt"
[ -f "$work/v5.raw" ] && [ "$("$spans" "$work/v5.raw")" != silent ] ||
    fail "v5: nothing was heard"

# Version 3: the Loop chunk plays sound 3 (60 ms) three times; a second effect waits until the
# first has played once through (60 + 40 ms).
play v3 "$story3" "$cases/v3/input.txt" --standard --sound
expect_transcript v3 "$cases/v3/expected.txt"
mapfile -t heard < <("$spans" "$work/v3.raw" | grep -v '^silent')
if [ "${#heard[@]}" -lt 3 ]; then
    fail "v3: heard ${#heard[@]} stretches of sound, not the bleeps, the loop and the line: ${heard[*]}"
else
    # The bleeps, the loop, the line, and perhaps a moment of the truncated sample that "bad"
    # starts before "all" stops it.
    read -r _ loop <<<"${heard[1]}"
    read -r _ line <<<"${heard[2]}"
    within "$loop" 180 25 || fail "v3: the Loop chunk's three plays took $loop ms, not 180"
    within "$line" 100 25 || fail "v3: the effects in line took $line ms, not 100"
fi

# Nothing plays: the device opens (the header says so) and stays silent.
printf 'flags\nprepare\nall\nquit\n' >"$work/quiet.in"
play quiet "$story5" "$work/quiet.in" --standard --sound
grep -qx 'Sound flag: 1' "$work/quiet.out" || fail "quiet: the header does not offer sound"
[ "$("$spans" "$work/quiet.raw")" = silent ] || fail "quiet: the output is not silent"

# A scripted run without --sound, and the default mode, open no audio device; nor does an
# audio driver that does not exist, without a word; the story is told there is no sound.
printf 'flags\nsample\nbleep\nquit\n' >"$work/none.in"
play piped "$story5" "$work/none.in" --standard
play default "$story5" "$work/none.in" --sound
driver=no-such-driver play nodriver "$story5" "$work/none.in" --standard --sound
for name in piped default nodriver; do
    grep -qx 'Sound flag: 0' "$work/$name.out" || fail "$name: the header offers sound"
    [ ! -e "$work/$name.raw" ] || fail "$name: an audio device was opened"
done

# The player's choice in the window's preferences holds in the terminal: with sound off the
# game goes on as before, its sounds ending and their routines called, and nothing is heard.
mkdir -p "$work/lantern"
printf '[sound]\non=false\nvolume=80\n' >"$work/lantern/lantern.ini"
printf 'sample\nwait\nquit\n' >"$work/off.in"
play off "$story5" "$work/off.in" --standard --sound
grep -qx 'Routines called: 1' "$work/off.out" || fail "off: the sound's routine was not called"
[ "$("$spans" "$work/off.raw")" = silent ] || fail "off: sound was heard with sound off"

# Bad requests are passed over with a note in the trace.
printf 'bad\nquit\n' >"$work/bad.in"
play bad "$story5" "$work/bad.in" --standard --sound --trace="$work/bad.trace"
for note in "; sound 4095: no such sound" "; sound 6: a truncated AIFF sound" \
    "; sound 7: does not decode" "; sound 3: routine 32767 lies outside the story"; do
    grep -aqF -- "$note" "$work/bad.trace" || fail "bad: the trace lacks \"$note\""
done

[ "$failures" = 0 ] || exit 1
echo "sound: all checks passed"
