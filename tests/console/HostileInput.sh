#!/usr/bin/env bash
# Whole-program checks of what a user meets with real pipes, files, options and signals.
# Usage: HostileInput.sh AREA LANTERN STORY SANITIZED STANDARD_STORY
#   AREA: files, pipes, options, signals, or blorb (STORY's folder then holds the garden's Blorb
#   files made at build time). STANDARD_STORY has timed input.
set -uo pipefail
area=$1 lantern=$2 story=$3 sanitized=$4 standard=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# expect_status WANT GOT WHAT
expect_status() {
    [ "$1" = "$2" ] || fail "$3: exit status $2, expected $1"
}

# expect_in FILE TEXT WHAT
expect_in() {
    grep -qF -- "$2" "$1" || fail "$3: \"$2\" not in $(head -c 300 "$1")"
}

# wait_for_file FILE: until it has something in it (at most 60 s).
wait_for_file() {
    for _ in $(seq 600); do
        [ -s "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# wait_for_text FILE TEXT: until FILE holds TEXT (at most 60 s).
wait_for_text() {
    for _ in $(seq 600); do
        grep -qF -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# ends_soon PID: the process ends within 5 s (else it is killed); a wait for a signal that was
# noticed takes a moment, one that was ignored forever.
ends_soon() {
    for _ in $(seq 50); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -KILL "$1"
    return 1
}

# no_controls FILE WHAT: FILE holds nothing that steers a terminal (C0 but line feed and tab,
# DEL, C1, the bidirectional overrides and isolates).
no_controls() {
    if LC_ALL=C grep -qP '[\x00-\x08\x0b-\x1f\x7f]|\xc2[\x80-\x9f]|\xe2\x80[\xaa-\xae]|\xe2\x81[\xa6-\xa9]' "$1"; then
        fail "$2: a control character reached the terminal: $(od -c "$1" | head -20)"
    fi
}

# ends_with_line_end FILE: the last bytes are CR LF.
ends_with_line_end() {
    [ "$(tail -c 2 "$1" | od -An -tx1 | tr -d ' ')" = "0d0a" ]
}

case $area in
files)
    "$lantern" --console /bin/ls </dev/null >"$work/out" 2>"$work/err"
    expect_status 1 $? "a program as the story"
    expect_in "$work/err" "Unsupported story version 127" "a program as the story"
    head -c 1024 /dev/zero | tr '\0' '\11' >"$work/v9.z5"
    "$lantern" --console "$work/v9.z5" </dev/null >"$work/out" 2>"$work/err"
    expect_status 1 $? "version 9"
    expect_in "$work/err" "Unsupported story version 9" "version 9"
    ln -s "$work/loop" "$work/loop"
    "$lantern" --console "$work/loop" </dev/null >"$work/out" 2>"$work/err"
    expect_status 1 $? "a link loop"
    expect_in "$work/err" "symbolic links" "a link loop"
    grep -q "does not exist" "$work/err" && fail "a link loop is said not to exist"
    # A name from outside never steers the terminal: one with ESC and BEL sequences (clearing
    # the screen, writing the clipboard), a C1 control and a bidirectional override, through
    # --info, a missing story, an unknown option and a name typed for SAVE.
    evil=$'\e]52;c;SGVsbG8=\a\e[2J\xc2\x9b2J\xe2\x80\xae'
    shown='?]52;c;SGVsbG8=??[2J?2J?'
    cp "$story" "$work/$evil.z5"
    cp "$(dirname "$story")/garden-resources.blb" "$work/$evil.blb"
    "$lantern" --info "$work/$evil.z5" >"$work/out" 2>"$work/err"
    expect_in "$work/out" "Resource file: $work/$shown.blb" "--info of a story with a hostile name"
    "$lantern" --info "$work/missing$evil.z5" >>"$work/out" 2>>"$work/err"
    "$lantern" --console "$work/missing$evil.z5" </dev/null >>"$work/out" 2>>"$work/err"
    "$lantern" "--$evil" >>"$work/out" 2>>"$work/err"
    printf 'save\n%s\nquit\n' "$work/no-folder/$evil" |
        "$lantern" --console --standard "$standard" >/dev/null 2>>"$work/err"
    expect_in "$work/err" "\"$work/missing$shown.z5\" does not exist." "a hostile missing name"
    expect_in "$work/err" "unknown option --$shown" "a hostile option"
    expect_in "$work/err" "The game cannot be saved. \"$work/no-folder/$shown\"" "a hostile SAVE name"
    no_controls "$work/out" "hostile names"
    no_controls "$work/err" "hostile names"
    ;;
pipes)
    printf 'look\rinventory\r' | "$lantern" --console "$story" >"$work/out" 2>"$work/err"
    expect_status 0 $? "CR line ends"
    expect_in "$work/out" ">inventory" "CR line ends: the second command"
    # Commands from a pipe or a file play in console mode also where a window could open.
    printf 'inventory\n' | QT_QPA_PLATFORM=offscreen timeout 20 "$lantern" "$story" \
        >"$work/out" 2>"$work/err"
    expect_status 0 $? "a pipe with a display"
    expect_in "$work/out" ">inventory" "a pipe with a display"
    QT_QPA_PLATFORM=offscreen timeout 20 "$lantern" "$story" <"$work/out" >/dev/null 2>&1
    expect_status 0 $? "a file with a display"
    printf 'look\x1b]0;title\x07\x1b[2J\x9b2J\r\n' |
        "$lantern" --console "$story" >"$work/out" 2>"$work/err"
    expect_in "$work/out" ">look]0;title[2J" "an escape sequence typed"
    LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f]' "$work/out" && fail "a control character reached the output"
    # Endless input without a line end runs in bounded memory; the command after it is read.
    limit=""
    [ "$sanitized" = 1 ] || limit="ulimit -v 400000;"
    { head -c 30000000 /dev/zero; printf '\ninventory\n'; } |
        bash -c "$limit exec \"\$0\" --console \"\$1\"" "$lantern" "$story" >"$work/out" 2>"$work/err"
    expect_status 0 $? "a 30 MB line"
    expect_in "$work/out" ">inventory" "the line after a 30 MB line"
    # Write errors end the run with a message and a failure status.
    yes look | head -n 2000 | "$lantern" --console "$story" >/dev/full 2>"$work/err"
    expect_status 4 $? "a full disk"
    expect_in "$work/err" "cannot write to standard output: No space left on device" "a full disk"
    yes look | head -n 2000 | "$lantern" --console "$story" 2>"$work/err" | head -c 10 >/dev/null
    expect_status 4 "${PIPESTATUS[2]}" "a closed pipe"
    expect_in "$work/err" "Broken pipe" "a closed pipe"
    # A file size limit fails the write as a full disk does, with a message, not a signal.
    yes look | head -n 2000 | bash -c 'ulimit -f 8; exec "$0" --console "$1"' "$lantern" "$story" \
        >"$work/limited" 2>"$work/err"
    expect_status 4 $? "a file size limit"
    expect_in "$work/err" "cannot write to standard output: File too large" "a file size limit"
    # A terminal of a type nobody knows is played line by line, and what the terminal library
    # allocated for it is released: a sanitizer build ends with the game's own status.
    printf 'quit\ny\n' | TERM=lantern-unknown script -qec "\"$lantern\" --console \"$story\"" \
        /dev/null >"$work/out" 2>&1
    expect_status 0 $? "an unknown terminal type"
    expect_in "$work/out" "its type (TERM) is not known here; playing line by line" "an unknown terminal type"
    expect_in "$work/out" "Goodbye." "an unknown terminal type"
    # A terminal as input and a file as output: the lines are typed as they come, and timed
    # input runs in real time while the terminal stays open.
    mkfifo "$work/typed"
    script -qec "\"$lantern\" --console --standard \"$standard\" >\"$work/tty-out\"" /dev/null \
        <"$work/typed" >/dev/null 2>&1 &
    pid=$!
    exec 4>"$work/typed"
    sleep 0.5
    printf 'timed\r' >&4
    sleep 0.5
    printf 'hello\r' >&4
    wait_for_text "$work/tty-out" 'Line ended by 0 after 3 ticks' ||
        fail "timed input from a terminal, output to a file: $(tail -c 300 "$work/tty-out")"
    expect_in "$work/tty-out" 'Key 0 after 3 ticks.' "a timed key from a terminal"
    exec 4>&-
    ends_soon $pid || fail "the terminal's end did not end the game"
    wait $pid
    ;;
options)
    echo look | "$lantern" --console --width=5 --height=2 --seed=3 -- "$story" >"$work/out" 2>"$work/err"
    expect_status 0 $? "a tiny screen"
    expect_in "$work/err" "playing on 10 by 3" "a tiny screen"
    "$lantern" --console --seed 123456789012345678901234 "$story" </dev/null 2>"$work/err"
    expect_status 2 $? "a seed too large"
    expect_in "$work/err" "is too large" "a seed too large"
    cp "$story" "$work/story.z5"
    ln -s "$work/story.z5" "$work/other-name.z5"
    ln "$work/story.z5" "$work/hard-link.z5"
    for trace in "$work/story.z5" "$work/other-name.z5" "$work/hard-link.z5" "$work/./story.z5"; do
        echo look | "$lantern" --console --trace="$trace" "$work/story.z5" >"$work/out" 2>"$work/err"
        expect_status 1 $? "the trace is the story ($trace)"
        expect_in "$work/err" "is the story file" "the trace is the story ($trace)"
        cmp -s "$story" "$work/story.z5" || fail "the story was overwritten by its trace ($trace)"
    done
    # A trace named as a FIFO or a folder is refused at once, and the game plays on.
    mkfifo "$work/trace-fifo"
    for trace in "$work/trace-fifo" "$work"; do
        echo look | timeout 10 "$lantern" --console --trace="$trace" "$story" >"$work/out" 2>"$work/err"
        expect_status 0 $? "the trace is $trace"
        expect_in "$work/err" "The trace cannot be written. \"$trace\" is not a regular file." "the trace is $trace"
        expect_in "$work/out" ">look" "the game with the trace $trace"
    done
    [ -p "$work/trace-fifo" ] || fail "the FIFO given as the trace is no longer one"
    ;;
signals)
    # Console mode: the game ends at the signal, the trace ends with a whole line, and the
    # program ends by that signal.
    mkfifo "$work/in"
    "$lantern" --console --trace="$work/console.txt" "$story" <"$work/in" >"$work/out" 2>"$work/err" &
    pid=$!
    exec 3>"$work/in"
    echo look >&3
    wait_for_file "$work/out" || fail "console mode never printed"
    sleep 0.5
    kill -TERM $pid
    wait $pid
    expect_status 143 $? "SIGTERM in console mode"
    exec 3>&-
    ends_with_line_end "$work/console.txt" || fail "the console trace ends in mid-line"
    # Endless input without a line end: the first SIGTERM ends the program at once.
    "$lantern" --console "$story" </dev/zero >"$work/out" 2>"$work/err" &
    pid=$!
    sleep 1
    kill -TERM $pid
    ends_soon $pid || fail "SIGTERM while an endless line is read was not noticed"
    wait $pid
    expect_status 143 $? "SIGTERM while an endless line is read"
    # The window closes on SIGHUP, and its trace is whole too.
    QT_QPA_PLATFORM=offscreen "$lantern" --trace="$work/window.txt" "$story" \
        >"$work/out" 2>"$work/err" </dev/null &
    pid=$!
    wait_for_file "$work/window.txt" || fail "the window never started its game"
    sleep 1
    kill -HUP $pid
    wait $pid
    expect_status 129 $? "SIGHUP to the window"
    ends_with_line_end "$work/window.txt" || fail "the window's trace ends in mid-line"
    ;;
blorb)
    # What a story says about itself, bare (with the resource file beside it) and in a Blorb.
    folder=$(dirname "$story")
    "$lantern" --info "$folder/garden.zblorb" >"$work/out" 2>"$work/err"
    expect_status 0 $? "--info of a Blorb"
    for line in "Kind: Blorb" "Version: 5" "Release: 1" "IFID: ZCODE-1-" "Title: Lamplight" \
        "Author: The Lantern Project" "Headline: An evening in an old garden" \
        "First published: 2026" "Genre: Test & Example" "Description: A small game for"; do
        expect_in "$work/out" "$line" "--info of a Blorb"
    done
    cp "$story" "$work/garden.z5"
    cp "$folder/garden.z3" "$work/garden.z3"
    cp "$folder/garden-resources.blb" "$work/garden.blb"
    "$lantern" --info "$work/garden.z5" >"$work/out" 2>"$work/err"
    expect_status 0 $? "--info of a bare story"
    expect_in "$work/out" "Kind: bare story file" "--info of a bare story"
    expect_in "$work/out" "Resource file: $work/garden.blb" "--info of a bare story"
    expect_in "$work/out" "Title: Lamplight" "--info of a bare story"
    # The other versions of the garden are other stories: the resource file is not theirs.
    "$lantern" --info "$work/garden.z3" >"$work/out" 2>"$work/err"
    expect_status 0 $? "--info of another story"
    grep -q "Title:" "$work/out" && fail "--info of garden.z3 took garden.blb's record"
    # Refusals: a message and status 1, and nothing else.
    refuse() { # refuse FILE TEXT WHAT
        "$lantern" --console "$1" </dev/null >"$work/out" 2>"$work/err"
        expect_status 1 $? "$3"
        expect_in "$work/err" "$2" "$3"
        [ -s "$work/out" ] && fail "$3: something was played"
        "$lantern" --info "$1" >"$work/out" 2>"$work/err"
        expect_status 1 $? "$3 (--info)"
        expect_in "$work/err" "$2" "$3 (--info)"
    }
    refuse "$folder/garden.gblorb" "is a Glulx story; Lantern plays Z-machine stories (versions 1 to 8)" "a Glulx Blorb"
    refuse "$work/garden.blb" "but no story: Lantern needs the story file itself" "a resource file"
    printf 'FORM\0\0\0\4IFZS' >"$work/saved.qzl"
    refuse "$work/saved.qzl" "is a saved game, not a story file" "a saved game"
    head -c 3000 "$folder/garden.zblorb" >"$work/cut.zblorb"
    refuse "$work/cut.zblorb" "is damaged: a part of it runs past the end of the file" "a truncated Blorb"
    "$lantern" --info </dev/null >"$work/out" 2>"$work/err"
    expect_status 2 $? "--info without a story"
    ;;
*)
    echo "unknown area $area" >&2
    exit 2
    ;;
esac
exit $((failures > 0))
