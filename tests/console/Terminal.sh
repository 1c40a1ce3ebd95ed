#!/usr/bin/env bash
# The real program in a real terminal (a tmux pane): a line edited with Left, recalled with Up,
# and Escape, which types nothing; the screen when the terminal changes its size, with and
# without --standard; the last screen left in the terminal when a game ends right after a timed
# key; the routine of a sound that ends while the story waits for a command. Usage: Terminal.sh
# LANTERN STORY STANDARD_STORY (tests/stories/standard, version 5) SOUNDS_STORY
# (tests/stories/sounds, version 5)
set -uo pipefail
lantern=$1 story=$2 standard=$3 sounds=$4
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

# end_game: ends the game of the current terminal, if it still runs, with Ctrl-C (a clean stop)
# before the terminal goes. Closing a terminal under a running game would stop it too, but the
# hangup's SIGCONT can cancel the SIGSTOP of a sanitizer's leak check at exit, which then waits
# for ever; a game that does not end is killed, so that no test leaves a program behind.
end_game() {
    local pid
    pid=$(cat "$work/pid$plays" 2>/dev/null) || return 0
    if kill -0 "$pid" 2>/dev/null; then
        pane send-keys C-c
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null && echo "a game did not end at Ctrl-C: killed" >&2
    fi
    pane kill-server 2>/dev/null
}

# play ARGUMENTS...: a game of lantern --console in a new terminal of 80 by 24 (of a server of
# its own), in place of the last one; its autosave (the last one's ends with a game in progress)
# goes to a folder of its own, so that none is offered.
plays=0
play() {
    local command
    end_game
    plays=$((plays + 1))
    command=$(printf " %q" sh -c 'echo $$ >"$0"; exec "$@"' "$work/pid$plays" "$lantern" \
        --console "$@")
    socket="lantern-terminal-$$-$plays"
    pane -f /dev/null new-session -d -x 80 -y 24 "XDG_DATA_HOME=$(printf %q "$work/data$plays") \
        XDG_CONFIG_HOME=$(printf %q "$work") SDL_AUDIODRIVER=disk \
        SDL_DISKAUDIOFILE=$(printf %q "$work/audio$plays.raw") \
        $command 2>>$(printf %q "$work/err"); echo \"exit status \$?\"; sleep 60"
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

# Under --standard the screen follows the terminal: the story reads the new size in the header
# and its text wraps at the new width; a line being typed stays.
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
# A sound's routine runs while the story waits for a command, as soon as the sound ends; the
# line then typed goes on after what it printed.
play --standard "$sounds"
wait_for ">" || fail "the story never asked for a command"
pane send-keys t e l l Enter
wait_for "[The sound has ended.]" || fail "the sound's routine did not run while the story waited"
pane send-keys t e l l Enter
wait_for "[The sound has ended.]" 2 || fail "the line typed after the routine's text was not read"
[ -s "$work/audio$plays.raw" ] || fail "the terminal game played no sound"

if grep -qE "AddressSanitizer|runtime error:" "$work/err"; then
    fail "a sanitizer reported a fault: $(cat "$work/err")"
fi
exit $((failures > 0))
