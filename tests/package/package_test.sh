#!/usr/bin/env bash
# The Debian package of the build this test runs in: cpack packages what the build
# already holds into a temporary folder; then the package's files and their modes, its
# control fields, its desktop entry and metainfo, and the packaged program are checked.
# Arguments: BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
here=$(cd "$(dirname "$0")" && pwd)

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# One folder per run: ctest runs tests side by side, and two builds may package at once.
tmp=$(mktemp -d "${TMPDIR:-/tmp}/vq-package-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

if ! (cd "$build" && cpack -G DEB -D CPACK_PACKAGE_DIRECTORY="$tmp/out") >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  echo "FAIL: cpack -G DEB in $build" >&2
  exit 1
fi
shopt -s nullglob
debs=("$tmp"/out/*.deb)
shopt -u nullglob
if [ ${#debs[@]} -ne 1 ]; then
  cat "$tmp/cpack.log" >&2
  echo "FAIL: expected one package in $tmp/out, found ${#debs[@]}" >&2
  exit 1
fi
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "velquist_${version}_${arch}.deb" ] || fail "package file name $(basename "$deb")"

# ---- control fields
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velquist ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), expected $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = sound ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# "name", "name (>= x)" or "name:arch" as one entry of a comma-separated relation field.
names() { field "$1" | tr ',|' '\n\n' | sed -E 's/^ *//; s/[ (:].*//'; }
depends=$(field Depends)
[ -n "$depends" ] || fail "Depends is empty"
names Depends | grep -qx libqt6widgets6 || fail "Depends does not name libqt6widgets6: $depends"
names Depends | grep -qx fonts-ipafont-gothic || fail "Depends does not name fonts-ipafont-gothic: $depends"
for recommended in xdg-utils mecab-ipadic-utf8 mecab-naist-jdic; do
  names Recommends | grep -qx "$recommended" || fail "Recommends does not name $recommended: $(field Recommends)"
done
names Suggests | grep -qx unidic-mecab || fail "Suggests does not name unidic-mecab: $(field Suggests)"
names Depends | grep -qx libmecab2 || fail "Depends does not name libmecab2: $depends"
# A summary line and a long description below it.
description=$(field Description)
[ "$(printf '%s\n' "$description" | wc -l)" -ge 2 ] || fail "Description has no long part: $description"
long_lines=$(printf '%s\n' "$description" | awk 'length > 80')
[ -z "$long_lines" ] || fail "Description lines longer than 80 columns: $long_lines"

# ---- files, exactly these, with the modes a package needs
dpkg-deb -x "$deb" "$tmp/root"
metainfo=usr/share/metainfo/org.example.velquist.metainfo.xml
expected=$(printf '%s\n' \
  usr/bin/velquist \
  usr/share/applications/velquist.desktop \
  usr/share/bash-completion/completions/velquist \
  usr/share/doc/velquist/changelog.gz \
  usr/share/doc/velquist/copyright \
  usr/share/man/man1/velquist.1.gz \
  usr/share/icons/hicolor/scalable/apps/velquist.svg \
  "$metainfo" \
  "usr/share/velquist/id3 tag.txt" | sort)
actual=$(cd "$tmp/root" && find . ! -type d | sed 's|^\./||' | sort)
if [ "$actual" != "$expected" ]; then
  fail "package files differ from the expected list"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") >&2 || true
fi
cmp -s "$tmp/root/usr/share/velquist/id3 tag.txt" "$source/resources/id3tag.txt" ||
  fail "the packaged reference text is not resources/id3tag.txt"
for f in velquist.svg velquist.desktop; do
  src=$source/resources/$f
  got=$(cd "$tmp/root" && find . -name "$f" | head -n 1)
  [ -n "$got" ] && cmp -s "$tmp/root/$got" "$src" || fail "the packaged $f is not resources/$f"
done
# Owner root, folders rwxr-xr-x, the program rwxr-xr-x, every other file rw-r--r--.
while read -r mode owner _ _ _ path; do
  want=-rw-r--r--
  case $path in
    */) want=drwxr-xr-x ;;
    ./usr/bin/velquist) want=-rwxr-xr-x ;;
  esac
  [ "$mode" = "$want" ] || fail "$path has mode $mode, expected $want"
  [ "$owner" = root/root ] || fail "$path belongs to $owner"
done < <(dpkg-deb -c "$deb")

# ---- desktop entry and metainfo: they name the program, the icon and each other
desktop=$tmp/root/usr/share/applications/velquist.desktop
grep -qx 'Exec=velquist' "$desktop" || fail "desktop entry does not start velquist"
grep -qx 'Icon=velquist' "$desktop" || fail "desktop entry does not name the icon velquist"
grep -q '<launchable type="desktop-id">velquist.desktop</launchable>' "$tmp/root/$metainfo" ||
  fail "metainfo does not launch velquist.desktop"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
  echo "skipped: desktop-file-validate is not installed"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$tmp/root/$metainfo" || fail "appstreamcli validate"
else
  echo "skipped: appstreamcli is not installed"
fi

# ---- the documents: the license at the root, the changelog's last entry this version,
# the manual page naming every option of the usage, the completion offering them
doc=$tmp/root/usr/share/doc/velquist
cmp -s "$doc/copyright" "$source/packaging/copyright" || fail "the packaged copyright is not packaging/copyright"
grep -q "Copyright (c) [0-9]* the Velquist developers" "$source/LICENSE" || fail "LICENSE does not name the Velquist developers"
changed=$(zcat "$doc/changelog.gz" | dpkg-parsechangelog -l - -S Version 2>/dev/null || true)
[ "$changed" = "$version" ] || fail "the changelog's last entry is version '$changed', the package $version"
man=$(zcat "$tmp/root/usr/share/man/man1/velquist.1.gz" | sed 's/\\-/-/g')  # roff writes "-" as "\-"
# What the completion offers first, and after each mode that takes options.
completion=$(bash -c '. "$1" && for words in "velquist --" "velquist --batch --" "velquist --to-unicode --" \
  "velquist --readings --" "velquist --cover --" "velquist --extract-covers --"; do
  read -ra COMP_WORDS <<<"$words"; COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _velquist; echo "${COMPREPLY[*]}"; done' _ \
  "$tmp/root/usr/share/bash-completion/completions/velquist")
for option in $("$tmp/root/usr/bin/velquist" --help 2>/dev/null | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
  grep -qF -- "$option" <<<"$man" || fail "the manual page does not name $option"
  grep -qw -- "$option" <<<"$completion" || fail "the completion does not offer $option"
done
if command -v lintian >/dev/null; then
  # Every error and warning fails; the notes below them ("info", "pedantic") do not.
  lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$tmp/lintian.log")"
else
  echo "skipped: lintian is not installed"
fi

# ---- the packaged program runs and knows its version. (It finds its reference text in
# ../share/velquist: app_paths_test checks that lookup on a prefix like this one.)
"$here/version_test.sh" "$tmp/root/usr/bin/velquist" "$version" || fail "packaged program --version"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed; cpack said:" >&2
  cat "$tmp/cpack.log" >&2
  exit 1
fi
echo "ok: $(basename "$deb"), Depends: $depends"
