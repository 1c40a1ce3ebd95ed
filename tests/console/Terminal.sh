#!/usr/bin/env bash
# The real program in a real terminal (a tmux pane): a line edited with Left, recalled with Up,
# and Escape, which types nothing; Ctrl-C's question in the default mode; the screen when the terminal changes its size, with and
# without --standard; the last screen left in the terminal when a game ends right after a timed
# key; a game kept and the question to go on with it, a second game of the same story, and a
# message of a game's last moments; the routine of a sound that ends while the story waits for a
# command; a version 6 game's click and Ctrl-C's question in it.
# Usage: Terminal.sh LANTERN STORY STANDARD_STORY (tests/stories/standard, version 5) SOUNDS_STORY
# (tests/stories/sounds, version 5) GALLERY (tests/stories/gallery, version 6)
set -uo pipefail
lantern=$1 story=$2 standard=$3 sounds=$4 gallery=$5
command -v tmux >/dev/null || { echo "tmux is not installed: skipped"; exit 77; }
work=$(mktemp -d)
socket="lantern-terminal-$$"
pane() { env -u TMUX tmux -L "$socket" "$@"; } # a server of its own, also inside tmux
trap 'end_game; rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAILED: $*" >&2
    echo "--- the terminal shows:" >&2
    pane capture-pane -p >&2
    failures=$((failures + 1))
}

# wait_for TEXT [COUNT]: until the terminal shows TEXT on COUNT lines (at most 30 s).
wait_for() {
    local count=${2:-1}
    for _ in $(seq 300); do
        [ "$(pane capture-pane -p | grep -cF -- "$1")" -ge "$count" ] && return 0
        sleep 0.1
    done
    return 1
}

# end_game: ends the game of the current terminal, if it still runs, with Ctrl-C (a clean stop,
# and Y when it asks whether to lose the game) before the terminal goes. Closing a terminal under a running game would stop it too, but the
# hangup's SIGCONT can cancel the SIGSTOP of a sanitizer's leak check at exit, which then waits
# for ever; a game that does not end is killed, so that no test leaves a program behind.
end_game() {
    local pid
    pid=$(cat "$work/pid$plays" 2>/dev/null) || return 0
    if kill -0 "$pid" 2>/dev/null; then
        pane send-keys C-c
        sleep 0.3
        kill -0 "$pid" 2>/dev/null && pane send-keys y
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null && echo "a game did not end at Ctrl-C: killed" >&2
    fi
    pane kill-server 2>/dev/null
}

# game_command PID_FILE DATA ARGUMENTS...: the shell command of a game of lantern --console that
# notes its process in PID_FILE and keeps its autosaves in DATA; it reads the preferences of
# $work (none: sound on) and writes what it plays to PID_FILE.raw.
game_command() {
    local pid=$1 data=$2
    shift 2
    printf "XDG_DATA_HOME=%q XDG_CONFIG_HOME=%q SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=%q \
        %s 2>>%q; echo \"exit status \$?\"; sleep 60" "$data" "$work" "$pid.raw" \
        "$(printf " %q" sh -c 'echo $$ >"$0"; exec "$@"' "$pid" "$lantern" --console "$@")" \
        "$work/err"
}

# play ARGUMENTS...: a game of lantern --console in a new terminal of 80 by 24 (of a server of
# its own), in place of the last one; its autosave (the last one's ends with a game in progress)
# goes to a folder of its own, so that none is offered, or to $data when it is set.
plays=0
play() {
    end_game
    plays=$((plays + 1))
    socket="lantern-terminal-$$-$plays"
    pane -f /dev/null new-session -d -x 80 -y 24 \
        "$(game_command "$work/pid$plays" "${data:-$work/data$plays}" "$@")"
}

# The line the cursor stands on.
cursor_line() {
    pane capture-pane -p | sed -n "$(($(pane display -p '#{cursor_y}') + 1))p"
}

play "$story"
wait_for ">" || fail "the story never asked for a command"

# "lok", Left, "o": the o goes in before the k.
pane send-keys l o k Left o
sleep 0.3
[ "$(cursor_line)" = ">look" ] || fail "Left did not move the caret into the line"
[ "$(pane display -p '#{cursor_x}')" = 4 ] || fail "the cursor is not after the o"
pane send-keys Enter
wait_for "Mint and thyme" 2 || fail "look was not played"

# Up recalls it.
pane send-keys Up
sleep 0.3
[ "$(cursor_line)" = ">look" ] || fail "Up did not recall look"
pane send-keys Enter
wait_for "Mint and thyme" 3 || fail "the recalled look was not played"

# Escape types nothing, and does not take the key after it.
pane send-keys Escape
sleep 0.3
pane send-keys i Enter
wait_for "You are empty-handed" || fail "i after Escape was not understood"
pane send-keys q u i t Enter
wait_for "quit?" || fail "quit was not asked about"
pane send-keys y Enter
wait_for "exit status 0" || fail "the game did not end"

# Ctrl-C in a game of the default mode asks first: N plays on, Y ends the game. A signal from
# outside ends it at once.
ended() {
    for _ in $(seq 50); do
        kill -0 "$(cat "$work/pid$plays")" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}
play "$story"
wait_for ">" || fail "the story never asked for a command"
pane send-keys C-c
wait_for "Quit and lose this game? [y/n]" || fail "Ctrl-C did not ask before losing the game"
pane send-keys n
sleep 0.3
pane send-keys i Enter
wait_for "You are empty-handed" || fail "the game did not go on after N"
pane send-keys C-c
wait_for "Quit and lose this game? [y/n]" || fail "a second Ctrl-C later did not ask again"
pane send-keys y
ended || fail "Y did not end the game"
play "$story"
wait_for ">" || fail "the story never asked for a command"
kill -INT "$(cat "$work/pid$plays")"
ended || fail "a signal from outside did not end the game at once"

# A version 6 game is not kept, so Ctrl-C asks under --standard too; a click in the story's
# mouse window (the top rows) reaches it as key 254 with its cell, counted from 1.
play --standard "$gallery"
wait_for "Click or press a key:" || fail "the gallery never asked for a click"
[ "$(pane display -p '#{cursor_flag}')" = 0 ] || fail "the cursor the story hid is shown"
pane send-keys C-c
wait_for "Quit and lose this game? [y/n]" || fail "Ctrl-C did not ask before losing a version 6 game"
pane send-keys n
sleep 0.3
pane send-keys -l $'\e[M *!\e[M#*!' # press and release at column 10 of row 1
wait_for "254 at 10,1; mouse" || fail "the click did not reach the story"

# Under --standard the screen follows the terminal: the story reads the new size in the header
# and its text wraps again at the new width; a line being typed stays.
play --standard "$standard"
wait_for ">" || fail "the story never asked for a command"
pane send-keys s i z e Enter
wait_for "Screen 80 by 24, in units 80 by 24." || fail "the header did not give 80 by 24"
pane send-keys s i z
sleep 0.3
pane resize-window -x 50 -y 12
sleep 0.3
pane send-keys e Enter
wait_for "Screen 50 by 12, in units 50 by 12." || fail "the header did not follow the terminal"
wait_for "ends here." || fail "the text did not wrap at the new width"
# Wider again: the text shown is wrapped again at the new width, the first answer as it was.
pane resize-window -x 80 -y 24
wait_for "Screen 80 by 24, in units 80 by 24. This sentence is longer than any line of a" ||
    fail "the text was not wrapped again when the terminal widened"

# In the default mode the screen keeps its size: a smaller terminal shows the part of it where
# the player types, a larger one all of it again.
play "$standard"
wait_for ">" || fail "the story never asked for a command"
pane resize-window -x 50 -y 12
sleep 0.3
pane send-keys s i z e Enter
wait_for "Screen 80 by 24, in units 80 by 24." || fail "the layout did not stay 80 by 24"
[ "$(cursor_line)" = ">" ] || fail "the line where the player types is not shown"
pane capture-pane -p | grep -qx "Screen 80 by 24, in units 80 by 24. This sentence" ||
    fail "the line wider than the terminal was not cut at its edge"
pane resize-window -x 80 -y 24
wait_for "This sentence is longer than any line of a" || fail "the whole screen was not shown again"

# A game that ends right after a timed key leaves its last screen in the terminal.
play --standard "$standard"
wait_for ">" || fail "the story never asked for a command"
pane send-keys l a s t k e y Enter
wait_for "exit status 0" || fail "the game did not end after the timed key"
for line in ">lastkey" "Key 0 after 3 ticks." "The story's last words."; do
    wait_for "$line" || fail "the last screen lacks \"$line\""
done
# A game stopped with Ctrl-C is kept. Opening the story again asks whether to go on, the whole
# question wrapped at the terminal's width, with a single key: a word typed meanwhile ("north")
# is not taken for an answer.
data="$work/kept" play --standard "$standard"
wait_for ">" || fail "the story never asked for a command"
pane send-keys s i z e Enter
wait_for "Screen 80 by 24" || fail "size was not played"
end_game
data="$work/kept" play --standard "$standard"
wait_for "for yes, n for no]" || fail "the question to go on is not shown whole"
pane send-keys n o r t h
sleep 1
wait_for "for yes, n for no]" || fail "a word typed at the question answered it"
# While this game holds the story's autosave, a second game of the story says at once that it
# will not be kept.
pane new-session -d -s second -x 80 -y 24 \
    "$(game_command "$work/second-pid" "$work/kept" --standard "$standard")"
second_shows() { pane capture-pane -p -t second | tr '\n' ' ' | grep -qF -- "$1"; }
for _ in $(seq 300); do
    second_shows "[press a key]" && break
    sleep 0.1
done
second_shows "this game will not be kept when it is stopped. [press a key]" ||
    fail "the second game did not say that it will not be kept: $(pane capture-pane -p -t second)"
pane send-keys -t second C-c
for _ in $(seq 100); do
    kill -0 "$(cat "$work/second-pid")" 2>/dev/null || break
    sleep 0.1
done
kill -KILL "$(cat "$work/second-pid")" 2>/dev/null && echo "the second game did not end" >&2
pane kill-session -t second 2>/dev/null # gone with its game, unless its shell outlived it
pane send-keys y
wait_for "Screen 80 by 24" || fail "Y did not go on with the kept game"
# A message of the game's last moments, which no key can answer, is written where the shell
# shows it once the terminal is given back.
kept=$(echo "$work/kept/lantern/"*.autosave.qzl)
end_game
rm -f "$kept"
mkdir "$kept"
data="$work/kept" play --standard "$standard"
wait_for "The story starts afresh. [press a key]" ||
    fail "an autosave that is a folder was not said to be one"
pane send-keys x
wait_for ">" || fail "the story did not start afresh"
pane send-keys s i z e Enter
wait_for "Screen 80 by 24" || fail "size was not played"
end_game
grep -qF "lantern: The game cannot be kept. \"$kept\" is not a regular file." "$work/err" ||
    fail "the message of the game's end was lost: $(cat "$work/err")"
# A sound's routine runs while the story waits for a command, as soon as the sound ends; the
# line then typed goes on after what it printed.
play --standard "$sounds"
wait_for ">" || fail "the story never asked for a command"
pane send-keys t e l l Enter
wait_for "[The sound has ended.]" || fail "the sound's routine did not run while the story waited"
pane send-keys t e l l Enter
wait_for "[The sound has ended.]" 2 || fail "the line typed after the routine's text was not read"
[ -s "$work/pid$plays.raw" ] || fail "the terminal game played no sound"
if grep -qE "AddressSanitizer|runtime error:" "$work/err"; then
    fail "a sanitizer reported a fault: $(cat "$work/err")"
fi
exit $((failures > 0))
