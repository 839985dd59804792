# Shared by the command-line tests, which source it after setting `work` to their own
# temporary folder.

fail() { echo "FAIL: $*" >&2; exit 1; }

# expect_refusal TEXT COMMAND...: exit 2, exactly one line on stderr containing TEXT.
expect_refusal() {
    text="$1"
    shift
    "$@" >/dev/null 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "$* exited $status, not 2"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$* printed: $(cat "$work/err")"
    grep -qF -- "$text" "$work/err" || fail "$* said: $(cat "$work/err")"
}
