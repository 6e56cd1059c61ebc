#!/usr/bin/env bash
# The installed launcher (shell/launcher.sh) in a made-up prefix whose programs only report where
# they were started and with what: tavrinel must start in the data folder, tavrinel-capture must be
# given the installed data unless the caller names a folder, even when reached through a link.
# Usage: launcher_test.sh LAUNCHER
set -euo pipefail
launcher=$(readlink -f "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/usr"
mkdir -p "$prefix/bin" "$prefix/lib/tavrinel" "$prefix/share/tavrinel" "$tmp/elsewhere"
for name in tavrinel tavrinel-capture; do
  cp "$launcher" "$prefix/bin/$name"
  # shellcheck disable=SC2016  # the stub expands these when it runs, not here
  printf '#!/bin/sh\necho "$(pwd) $*"\n' >"$prefix/lib/tavrinel/$name"
  chmod +x "$prefix/bin/$name" "$prefix/lib/tavrinel/$name"
done
ln -s "$prefix/bin/tavrinel-capture" "$tmp/elsewhere/capture-link"
data="$prefix/share/tavrinel"
status=0
expect() {  # expect WANT COMMAND...
  local got
  got=$(cd "$tmp/elsewhere" && "${@:2}" 2>&1) || true
  if [[ "$got" != "$1" ]]; then
    echo "FAIL: ${*:2}: got \"$got\", want \"$1\"" >&2
    status=1
  fi
}
expect "$data " "$prefix/bin/tavrinel"
expect "$tmp/elsewhere --data $data --at 5" "$prefix/bin/tavrinel-capture" --at 5
expect "$tmp/elsewhere --data $data" "$tmp/elsewhere/capture-link"
expect "$tmp/elsewhere --at 5 --data mine" "$prefix/bin/tavrinel-capture" --at 5 --data mine
expect "$tmp/elsewhere --data=mine" "$prefix/bin/tavrinel-capture" --data=mine
rm "$prefix/lib/tavrinel/tavrinel"
expect "tavrinel: the program $prefix/lib/tavrinel/tavrinel is missing (is the tavrinel package complete?)" \
  "$prefix/bin/tavrinel"
exit $status
