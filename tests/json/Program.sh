#!/usr/bin/env bash
# lantern --json as a program driving it sees it: every line of standard output is a JSON reply,
# one for the start and one for each request; a line of 10 MB is refused and the game goes on;
# the exit statuses; a stop signal ends it at once.
#   Program.sh LANTERN STORY
set -euo pipefail
lantern="$1"
story="$2"
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT

fail() {
    echo "json program: $*" >&2
    exit 1
}

{
    echo '{"input": "take lamp"}'
    head -c 10000000 /dev/zero | tr '\0' 'a'
    echo
    printf '{"input": "i"}\r\n'
    echo '{"quit": true}'
    echo '{"input": "never read"}'
} | "$lantern" --json --seed 3 "$story" >"$folder/replies" 2>"$folder/errors" ||
    fail "the game ended with status $?: $(cat "$folder/errors")"
python3 - "$folder/replies" <<'CHECK' || fail "the replies are not as expected"
import json, sys
lines = open(sys.argv[1], encoding="utf-8").read().split("\n")
assert lines[-1] == "", "the last reply ends its line"
replies = [json.loads(line) for line in lines[:-1]]
assert len(replies) == 5, replies
assert replies[1]["text"] == "Taken.\n\n>", replies[1]
assert replies[2] == {"error": "The request is longer than 1 MiB."}, replies[2]
assert "brass lantern" in replies[3]["text"], replies[3]
assert replies[4]["waiting"] == "line" and replies[4]["moves"] == 2, replies[4]
CHECK

# The end of the requests ends the game quietly.
"$lantern" --json "$story" </dev/null >"$folder/replies" 2>"$folder/errors" ||
    fail "the end of the requests gave status $?"
[ "$(wc -l <"$folder/replies")" = 1 ] && [ ! -s "$folder/errors" ] ||
    fail "the end of the requests: $(cat "$folder/replies" "$folder/errors")"

# A story that cannot be loaded: status 1, an error reply, and the reason on standard error.
status=0
"$lantern" --json "$folder/missing.z5" </dev/null >"$folder/replies" 2>"$folder/errors" ||
    status=$?
[ "$status" = 1 ] || fail "a missing story gave status $status"
grep -q '^{"error":".*missing.z5.*does not exist' "$folder/replies" ||
    fail "a missing story replied $(cat "$folder/replies")"
grep -q 'does not exist' "$folder/errors" || fail "a missing story said nothing on standard error"

# Options that do not go with it.
for options in "--console" "--trace" "--info" ""; do
    status=0
    if [ -n "$options" ]; then
        "$lantern" --json $options "$story" </dev/null >/dev/null 2>&1 || status=$?
    else
        "$lantern" --json </dev/null >/dev/null 2>&1 || status=$?
    fi
    [ "$status" = 2 ] || fail "--json $options gave status $status"
done

# A stop signal while it waits for a request ends it by that signal.
mkfifo "$folder/requests"
"$lantern" --json "$story" <"$folder/requests" >"$folder/replies" 2>/dev/null &
pid=$!
exec 3>"$folder/requests"
for _ in $(seq 50); do
    [ -s "$folder/replies" ] && break
    sleep 0.1
done
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
exec 3>&-
[ "$status" = 143 ] || fail "SIGTERM while waiting for a request gave status $status"
