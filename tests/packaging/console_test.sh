#!/usr/bin/env bash
# pagerook.exe is a GUI program, yet --version and --help must reach whoever
# started it: a pipe or file (standard output redirected), or the console of
# a command prompt (cmd.exe in a terminal, given here by script's pty).
#   console_test.sh <pagerook.exe> <version>
set -euo pipefail
exe=$(realpath "$1")
version=$2
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../win32/wine-run
cmd=
for dir in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows; do
  [[ -f $dir/cmd.exe ]] && cmd=$dir/cmd.exe && break
done
[[ -n $cmd ]] || { echo "no Wine cmd.exe" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/pagerook-console.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

out=$("$wine_run" "$exe" --version) || fail "--version into a pipe exited with $?"
[[ $out == "Pagerook $version" ]] || fail "--version into a pipe printed '$out'"

if "$wine_run" "$exe" --help >/dev/full 2>"$work/full.err"; then fail "--help into a full disk exited 0"; fi
grep -q '^pagerook: cannot write to standard output' "$work/full.err" ||
  fail "full disk reported: $(cat "$work/full.err")"

status=0
"$wine_run" "$exe" -v >"$work/bogus.out" 2>"$work/bogus.err" || status=$?
[[ $status -eq 2 && ! -s $work/bogus.out ]] || fail "-v into a pipe: status $status"
grep -qx "pagerook: unknown option '-v'; try 'pagerook --help'" "$work/bogus.err" ||
  fail "-v into a pipe printed: $(cat "$work/bogus.err")"

# Z: is the Linux root in every Wine prefix.
winexe="Z:${exe//\//\\}"
for option in --version --help '/?'; do
  script -qec "$(printf '%q ' "$wine_run" "$cmd" /c "$winexe" "$option")" /dev/null \
    >"$work/console${option//\//slash}" </dev/null || fail "$option in a console exited with $?"
done
tr -d '\r' <"$work/console--version" | grep -q "^.*Pagerook $version$" ||
  fail "--version in a console printed: $(od -c "$work/console--version" | head -5)"
tr -d '\r' <"$work/console--help" | grep -q 'C:\\截图' ||
  fail "--help in a console printed: $(cat "$work/console--help")"
tr -d '\r' <"$work/consoleslash?" | grep -q 'C:\\截图' ||
  fail "/? in a console printed: $(cat "$work/consoleslash?")"

[[ $failures -eq 0 ]] && echo "pagerook.exe answers in a pipe and in a console"
exit $((failures > 0))
