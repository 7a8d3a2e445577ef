#!/usr/bin/env bash
# "velquist --version" prints the project's version and exits 0 without opening a
# window: it must work with no display at all.
# Arguments: PROGRAM VERSION
set -euo pipefail
program=$1 version=$2

out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version) || {
  echo "FAIL: $program --version exited with $?" >&2
  exit 1
}
if [ "$out" != "velquist $version" ]; then
  echo "FAIL: $program --version printed '$out', expected 'velquist $version'" >&2
  exit 1
fi
echo "ok: $out"
