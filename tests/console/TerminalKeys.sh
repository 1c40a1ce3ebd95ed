#!/usr/bin/env bash
# The real program in a real terminal (a tmux pane): a line edited with Left, recalled with Up,
# and Escape, which types nothing. Usage: TerminalKeys.sh LANTERN STORY
set -uo pipefail
lantern=$1 story=$2
command -v tmux >/dev/null || { echo "tmux is not installed: skipped"; exit 77; }
work=$(mktemp -d)
socket="lantern-keys-$$"
pane() { env -u TMUX tmux -L "$socket" "$@"; } # a server of its own, also inside tmux
trap 'pane kill-server 2>/dev/null; rm -rf "$work"' EXIT
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

# The line the cursor stands on.
cursor_line() {
    pane capture-pane -p | sed -n "$(($(pane display -p '#{cursor_y}') + 1))p"
}

pane -f /dev/null new-session -d -x 80 -y 24 \
    "'$lantern' --console '$story' 2>'$work/err'; echo \"exit status \$?\"; sleep 60"
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
if grep -qE "AddressSanitizer|runtime error:" "$work/err"; then
    fail "a sanitizer reported a fault: $(cat "$work/err")"
fi
exit $((failures > 0))
