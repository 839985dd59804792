#!/bin/sh
# kestrano-cli updates: --dry-run prints every task update of the sample plan (first run:
# a "New task assignment" message per assignment) and project update without changing the
# file; refusals; without confirmed e-mail settings nothing is sent.
set -u
cli="$1"
sample="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-03-01 09:00:00"
# The user's settings of this test only.
export XDG_CONFIG_HOME="$work/config"
export TMPDIR="$work"

cp "$sample" "$work/plan.qpp"
before=$(cksum <"$work/plan.qpp")
"$cli" updates task "$work/plan.qpp" --dry-run >"$work/out" 2>"$work/err" ||
    fail "task dry run: $(cat "$work/err")"
[ "$(cksum <"$work/plan.qpp")" = "$before" ] || fail "a dry run changed the file"
grep -qx "To: maria.keller@example.com" "$work/out" || fail "no message for Maria"
grep -qx "Subject: Task update summary for Office move to Quayside House" "$work/out" ||
    fail "task subject"
grep -qx "Attachment: Kestrano[0-9]*.pdf" "$work/out" || fail "attachment name"
grep -qx "The following changes have been made to tasks which impact Maria Keller:" "$work/out" ||
    fail "opening line"
grep -qx "New task assignment: Agree move date and budget" "$work/out" || fail "a New message"
grep -qx "Commitment rate: [0-9]*%" "$work/out" || fail "commitment line"
tail -n 1 "$work/out" | grep -q "^[1-9][0-9]* task updates for 4 recipients (not sent)$" ||
    fail "task summary: $(tail -n 1 "$work/out")"
[ "$(grep -c '^To: ' "$work/out")" -eq 4 ] || fail "one message per resource"

"$cli" updates project "$work/plan.qpp" --dry-run >"$work/out" 2>"$work/err" ||
    fail "project dry run: $(cat "$work/err")"
# Nobody in the sample asked for project updates.
[ "$(cat "$work/out")" = "0 project updates (not sent)" ] || fail "project: $(cat "$work/out")"

# Names from a project file reach the terminal without their control characters.
"$cli" dump "$work/plan.qpp" |
    sed 's/"name": "Agree move date and budget"/"name": "Agree\\u001b]0;owned\\u0007 budget"/' \
        >"$work/hostile.json" || fail "dump"
"$cli" from-json "$work/hostile.json" -o "$work/hostile.qpp" || fail "from-json"
"$cli" updates task "$work/hostile.qpp" --dry-run >"$work/out" 2>"$work/err" ||
    fail "hostile dry run: $(cat "$work/err")"
grep -q "$(printf '\033')" "$work/out" && fail "an escape sequence reached the terminal"
grep -qF "New task assignment: Agree$(printf '\357\277\275')]0;owned$(printf '\357\277\275') budget" \
    "$work/out" || fail "the hostile name: $(grep Agree "$work/out")"

expect_refusal "give task or project" "$cli" updates weekly "$work/plan.qpp"
expect_refusal "unknown option --now" "$cli" updates task "$work/plan.qpp" --now
expect_refusal "is missing, locked or not a Kestrano project file" \
    "$cli" updates task "$work/none.qpp" --dry-run
expect_refusal "the e-mail settings have not been confirmed yet" \
    "$cli" updates task "$work/plan.qpp"
[ "$(cksum <"$work/plan.qpp")" = "$before" ] || fail "a refused run changed the file"

# A real send to a loopback SMTP server: every resource gets its message with the chart,
# and the file keeps the new last-update state, so a second run has nothing to say.
if [ -x /usr/bin/python3 ] && /usr/bin/python3 -c "import aiosmtpd" 2>/dev/null; then
    mkdir -p "$work/mail" "$work/config/Kestrano"
    mkfifo "$work/server-in"
    /usr/bin/python3 "$(dirname "$0")/../platform/mail/smtp_server.py" --folder "$work/mail" \
        <"$work/server-in" >"$work/port" 2>"$work/server-err" &
    server=$!
    exec 9>"$work/server-in" # the server stops when this closes
    for _ in 1 2 3 4 5 6 7 8 9 10; do [ -s "$work/port" ] && break; sleep 0.3; done
    port=$(head -n 1 "$work/port")
    [ -n "$port" ] || fail "the SMTP server did not start: $(cat "$work/server-err")"
    cat >"$work/config/Kestrano/Kestrano.conf" <<END
[Email]
DefaultsSet=1
SetViewed=1
UseSMTPHost=1
SendDirect=0
MailSMTPHost=127.0.0.1:$port
ReplyToEmail=planner@example.com
END
    "$cli" updates task "$work/plan.qpp" >"$work/out" 2>"$work/err" ||
        fail "sending: $(cat "$work/err")"
    grep -qx "Task Update Send Results" "$work/out" || fail "results: $(cat "$work/out")"
    grep -qx "Updates successfully sent: 4" "$work/out" || fail "sent count: $(cat "$work/out")"
    [ "$(find "$work/mail" -name '*.eml' | wc -l)" -eq 4 ] || fail "the server got no 4 messages"
    grep -l "^To: tom.reyes@example.com" "$work/mail"/*.eml >/dev/null || fail "Tom's message"
    grep -q 'filename="Kestrano[0-9]*.pdf"' "$work/mail/1.eml" || fail "the chart is not attached"
    [ "$(cksum <"$work/plan.qpp")" != "$before" ] || fail "the new state was not saved"
    "$cli" updates task "$work/plan.qpp" >"$work/out" 2>"$work/err" || fail "second run"
    grep -qx "No Task Updates Sent" "$work/out" || fail "second run: $(cat "$work/out")"
    exec 9>&-
    wait "$server"
else
    echo "skipped the real send: /usr/bin/python3 with aiosmtpd is missing"
fi
[ -z "$(find "$work" -maxdepth 1 -name '*.pdf')" ] || fail "an attachment was left behind"
echo "ok"
