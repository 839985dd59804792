#!/bin/sh
# kestrano-cli updates: --dry-run prints every update of the sample plan and changes
# nothing; a real send to a loopback server keeps the new state. Ctrl-C stops a command
# with exit 1 and every file as it was, while it works or while it waits to print.
cli="$1" sample="$2"
. "$(dirname "$0")/common.sh"
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
export KESTRANO_NOW="2027-03-01 09:00:00" XDG_CONFIG_HOME="$work/config" TMPDIR="$work"
cp "$sample" "$work/plan.qpp"
# Every message in full (tests/data/updates-dry-run.out), its attachment's number aside.
run updates task "$work/plan.qpp" --dry-run | sed 's/^Attachment: Kestrano[0-9]*\.pdf$/Attachment: Kestrano0.pdf/' |
    diff "$(dirname "$0")/../data/updates-dry-run.out" - >&2 || fail "the dry run's messages"
# Nobody in the sample asked for project updates.
[ "$(run updates project "$work/plan.qpp" --dry-run)" = "0 project updates (not sent)" ] ||
    fail "project updates"
# Names from a project file reach the terminal without their control characters.
run dump "$work/plan.qpp" |
    sed 's/"name": "Agree move date and budget"/"name": "Agree\\u001b]0;owned\\u0007 budget"/' \
        >"$work/hostile.json"
run from-json "$work/hostile.json" -o "$work/hostile.qpp"
run updates task "$work/hostile.qpp" --dry-run >"$work/out"
! grep -q "$(printf '\033')" "$work/out" || fail "an escape sequence reached the terminal"
has "$work/out" "New task assignment: Agree$(printf '\357\277\275')]0;owned$(printf '\357\277\275') budget"
refusals updates
cmp -s "$sample" "$work/plan.qpp" || fail "a dry run changed the file"
# An import whose results (one line per refused row, far more than a pipe holds) nobody
# reads yet: it cannot finish before Ctrl-C.
run new "$work/empty.qpp" --start 2027-03-01
{ echo "Task Name,Duration"; seq 3000 | sed 's/.*/Same,8/'; } >"$work/tasks.csv"
mkfifo "$work/results"
"$cli" import tasks "$work/empty.qpp" "$work/tasks.csv" -o "$work/imported.qpp" \
    >"$work/results" 2>"$work/err" &
pid=$!
exec 8<"$work/results"
sleep 1
kill -INT "$pid"
cat <&8 >/dev/null
exec 8<&-
wait "$pid"
[ $? -eq 1 ] || fail "the stopped import did not exit 1: $(cat "$work/err")"
[ ! -e "$work/imported.qpp" ] || fail "the stopped import wrote its output"
grep -qx "kestrano-cli: import: interrupted; $work/imported.qpp was not written" "$work/err" ||
    fail "the stopped import said: $(cat "$work/err")"
# Task updates to a server that accepts the connection and never says a word.
python3 -c 'import socket, time; s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(5)
print(s.getsockname()[1], flush=True); c = s.accept(); print("connected", flush=True); time.sleep(120)' \
    >"$work/server" &
server=$!
for _ in $(seq 50); do [ -s "$work/server" ] && break; sleep 0.1; done
mail_settings "$(head -n 1 "$work/server")"
"$cli" updates task "$work/plan.qpp" >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 100); do grep -q connected "$work/server" && break; sleep 0.1; done
grep -q connected "$work/server" || fail "updates never reached the server: $(cat "$work/err")"
kill -INT "$pid"
wait "$pid"
[ $? -eq 1 ] || fail "the stopped updates did not exit 1: $(cat "$work/err")"
cmp -s "$sample" "$work/plan.qpp" || fail "the stopped updates changed the file"
kill "$server"
# A real send to a loopback SMTP server: every resource gets its message with the chart,
# and the file keeps the new last-update state, so a second run has nothing to say.
[ -z "$(find "$work" -maxdepth 1 -name '*.pdf')" ] || fail "an attachment was left behind"
# The server runs on the system's Python, where Debian's python3-aiosmtpd is installed.
if ! /usr/bin/python3 -c "import aiosmtpd" 2>/dev/null; then
    echo "skipped the real send: Debian's python3-aiosmtpd is missing"
    exit 0
fi
mkdir -p "$work/mail"
mkfifo "$work/server-in"
"$(dirname "$0")/../support/smtp_server.py" --folder "$work/mail" \
    <"$work/server-in" >"$work/port" 2>"$work/server-err" &
server=$!
exec 9>"$work/server-in" # the server stops when this closes
for _ in 1 2 3 4 5 6 7 8 9 10; do [ -s "$work/port" ] && break; sleep 0.3; done
[ -s "$work/port" ] || fail "the SMTP server did not start: $(cat "$work/server-err")"
mail_settings "$(head -n 1 "$work/port")"
run updates task "$work/plan.qpp" >"$work/out"
has "$work/out" "Task Update Send Results" "Updates successfully sent: 4"
[ "$(find "$work/mail" -name '*.eml' | wc -l)" -eq 4 ] || fail "the server got no 4 messages"
grep -l "^To: tom.reyes@example.com" "$work/mail"/*.eml >/dev/null || fail "Tom's message"
grep -q 'filename="Kestrano[0-9]*.pdf"' "$work/mail/1.eml" || fail "the chart is not attached"
! cmp -s "$sample" "$work/plan.qpp" || fail "the new state was not saved"
run updates task "$work/plan.qpp" | grep -qx "No Task Updates Sent" || fail "second run"
exec 9>&-
wait "$server"
server=""
[ -z "$(find "$work" -maxdepth 1 -name '*.pdf')" ] || fail "an attachment was left behind"
echo ok
