#!/bin/sh
# kestrano-cli and Ctrl-C: a command the user stops exits 1 and leaves every file as it was,
# whether the stop comes while it works (a mail server that never answers) or while it
# waits to print its results (an import whose reader is slow).
cli="$1"
sample="$2"
. "$(dirname "$0")/common.sh"
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
export KESTRANO_NOW="2027-03-01 09:00:00" XDG_CONFIG_HOME="$work/config" TMPDIR="$work"

# stopped COMMAND...: the command, run in the background as $pid, was stopped with exit 1.
stopped() {
    wait "$pid"
    status=$?
    [ "$status" -eq 1 ] || fail "the stopped $* exited $status, not 1: $(cat "$work/err")"
}

# An import whose results (one line per refused row, far more than a pipe holds) nobody
# reads yet: it cannot finish before Ctrl-C.
run new "$work/plan.qpp" --start 2027-03-01
{ echo "Task Name,Duration"; seq 3000 | sed 's/.*/Same,8/'; } >"$work/tasks.csv"
mkfifo "$work/results"
"$cli" import tasks "$work/plan.qpp" "$work/tasks.csv" -o "$work/imported.qpp" \
    >"$work/results" 2>"$work/err" &
pid=$!
exec 8<"$work/results"
sleep 1
kill -INT "$pid"
cat <&8 >/dev/null
exec 8<&-
stopped import
[ ! -e "$work/imported.qpp" ] || fail "the stopped import wrote its output"
grep -qx "kestrano-cli: import: interrupted; $work/imported.qpp was not written" "$work/err" ||
    fail "the stopped import said: $(cat "$work/err")"

# Task updates to a server that accepts the connection and never says a word.
cp "$sample" "$work/sample.qpp"
python3 -c 'import socket, time; s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(5)
print(s.getsockname()[1], flush=True); c = s.accept(); print("connected", flush=True); time.sleep(120)' \
    >"$work/server" &
server=$!
for _ in $(seq 50); do [ -s "$work/server" ] && break; sleep 0.1; done
mail_settings "$(head -n 1 "$work/server")"
"$cli" updates task "$work/sample.qpp" >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 100); do grep -q connected "$work/server" && break; sleep 0.1; done
grep -q connected "$work/server" || fail "updates never reached the server: $(cat "$work/err")"
kill -INT "$pid"
stopped updates
cmp -s "$sample" "$work/sample.qpp" || fail "the stopped updates changed the file"
echo ok
