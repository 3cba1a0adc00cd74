#!/usr/bin/env bash
# Checks a built Debian package the way a desk meets it: lintian, then the package unpacked into a
# temporary root and its programs run from there with HOME at a fresh folder.
#   tests/package/check_package.sh build/package/corvina_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
workbook="$source_dir/tests/data/workbooks/import/merge.xlsx"
template_name="发票导出数据格式.xlsx"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# expect DESCRIPTION COMMAND...: the command must succeed.
expect() {
  local what=$1
  shift
  "$@" >"$work/out" 2>"$work/err" || fail "$what (exit $?): $(head -c 600 "$work/err")"
}

echo "== lintian"
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || fail "lintian reports an error"
grep -v '^running with root' "$work/lintian" || true

echo "== control fields"
depends=$(dpkg-deb -f "$deb" Depends)
version=$(dpkg-deb -f "$deb" Version)
for needed in libqt6core6 libqt6widgets6 libqt6sql6-sqlite libc6; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
changelog_version=$(zcat <(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/corvina/changelog.Debian.gz) |
  sed -nE '1s/^corvina \(([^)]+)\).*/\1/p')
[ "$changelog_version" = "$version" ] || fail "changelog says $changelog_version, the package $version"

root="$work/root"
dpkg-deb -x "$deb" "$root"
corvina="$root/usr/bin/corvina"
standin="$root/usr/bin/invoicing-standin"

echo "== files of the package"
for f in usr/bin/corvina usr/bin/invoicing-standin usr/share/corvina/sysconfig.ini "usr/share/corvina/$template_name" \
  usr/share/applications/corvina.desktop usr/share/icons/hicolor/scalable/apps/corvina.svg \
  usr/share/metainfo/corvina.metainfo.xml usr/share/man/man1/corvina.1.gz usr/share/man/man1/invoicing-standin.1.gz \
  usr/share/bash-completion/completions/corvina usr/share/bash-completion/completions/invoicing-standin; do
  [ -f "$root/$f" ] || fail "missing /$f"
done
desktop-file-validate "$root/usr/share/applications/corvina.desktop" || fail "desktop entry does not validate"
grep -q '^Name\[zh_CN\]=' "$root/usr/share/applications/corvina.desktop" || fail "desktop entry has no Chinese name"
grep -q '^Comment\[zh_CN\]=' "$root/usr/share/applications/corvina.desktop" || fail "desktop entry has no Chinese comment"
grep -q '^Categories=Office;' "$root/usr/share/applications/corvina.desktop" || fail "desktop entry is not in Office"
# Errors fail; the one warning is the id, which is not in reverse-DNS form for want of a domain.
if appstreamcli validate --no-net "$root/usr/share/metainfo/corvina.metainfo.xml" | grep -E '^E:'; then
  fail "AppStream metadata has errors"
fi
rsvg-convert -w 48 -h 48 "$root/usr/share/icons/hicolor/scalable/apps/corvina.svg" -o "$work/icon.png" ||
  fail "the icon does not render"

echo "== --version, --help, man pages"
expect "corvina --version" "$corvina" --version
[ "$(cat "$work/out")" = "corvina ${version%-*}" ] || fail "corvina --version printed $(cat "$work/out")"
expect "invoicing-standin --version" "$standin" --version
expect "corvina --help" "$corvina" --help
commands=$(sed -nE '/^Commands:/,/^$/s/^  ([a-z]+) .*/\1/p' "$work/out")
[ -n "$commands" ] || fail "corvina --help lists no command"
MANWIDTH=200 LC_ALL=C.UTF-8 man -l "$root/usr/share/man/man1/corvina.1.gz" >"$work/man" 2>&1 || fail "man page does not render"
for c in $commands; do
  grep -qE "^ +$c( |$)" "$work/man" || fail "the man page does not list $c"
  expect "corvina $c --help" "$corvina" "$c" --help
done

echo "== bash completion"
completion=$(PATH="$root/usr/bin:$PATH" bash -c '
  source "$1"
  COMP_WORDS=(corvina ""); COMP_CWORD=1; _corvina; echo "${COMPREPLY[*]}"
  COMP_WORDS=(corvina export --o); COMP_CWORD=2; _corvina; echo "${COMPREPLY[*]}"' _ \
  "$root/usr/share/bash-completion/completions/corvina")
[ "$(echo "$completion" | head -1)" = "$(echo $commands)" ] || fail "completion offers $(echo "$completion" | head -1)"
[ "$(echo "$completion" | sed -n 2p)" = "--out" ] || fail "completion of export --o gives $(echo "$completion" | sed -n 2p)"

echo "== first start with HOME at a fresh folder"
home="$work/home"
mkdir -p "$home"
run() { env -u XDG_DATA_HOME -u CORVINA_APP_FOLDER HOME="$home" QT_QPA_PLATFORM=offscreen "$@"; }
user_folder="$home/.local/share/Corvina"
expect "corvina query --json" run "$corvina" query --json
[ "$(tr -d '[:space:]' <"$work/out")" = "[]" ] || fail "query on a fresh store printed $(cat "$work/out")"
[ -f "$user_folder/SysData.mdb" ] || fail "no store in $user_folder"
cmp -s "$user_folder/sysconfig.ini" "$root/usr/share/corvina/sysconfig.ini" || fail "sysconfig.ini not copied"
cmp -s "$user_folder/$template_name" "$root/usr/share/corvina/$template_name" || fail "template not copied"
[ -w "$user_folder/sysconfig.ini" ] || fail "the copied sysconfig.ini is not the user's to change"
[ ! -e "$root/usr/bin/SysData.mdb" ] || fail "a store was made beside the installed program"

echo "== import and export from the per-user folder"
expect "corvina import" run "$corvina" import "$workbook"
[ -f "$user_folder/InputLogFile.log" ] || fail "no import log in $user_folder"
expect "corvina query --json after the import" run "$corvina" query --json
ids=$(/usr/bin/python3 -c 'import json,sys; print(" ".join(r["FCustOrderId"] for r in json.load(sys.stdin)))' <"$work/out")
[ -n "$ids" ] || fail "nothing listed after the import"
# The export must work from the per-user folder alone.
mv "$root/usr/share/corvina/$template_name" "$work/installed-template.xlsx"
expect "corvina export" run "$corvina" export --out "$work/exported.xlsx"
mv "$work/installed-template.xlsx" "$root/usr/share/corvina/$template_name"
# The system python, which has openpyxl.
exported=$(/usr/bin/python3 -c '
import sys
from openpyxl import load_workbook
ws = load_workbook(sys.argv[1]).active
print(" ".join(str(r[1]) for r in ws.iter_rows(min_row=2, values_only=True) if r[1] is not None))' "$work/exported.xlsx")
[ "$exported" = "$ids" ] || fail "exported documents '$exported', listed '$ids'"

echo "== a second start keeps the user's settings"
printf '; changed by the user\r\n' >>"$user_folder/sysconfig.ini"
cp "$user_folder/sysconfig.ini" "$work/changed.ini"
expect "second start" run "$corvina" query --json
cmp -s "$user_folder/sysconfig.ini" "$work/changed.ini" || fail "a second start replaced the user's sysconfig.ini"

echo "== --app-folder and CORVINA_APP_FOLDER still win"
mkdir -p "$work/given" "$work/from-env"
expect "--app-folder" run "$corvina" query --json --app-folder "$work/given"
[ -f "$work/given/SysData.mdb" ] || fail "--app-folder was not used"
expect "CORVINA_APP_FOLDER" env -u XDG_DATA_HOME HOME="$home" CORVINA_APP_FOLDER="$work/from-env" \
  "$corvina" query --json
[ -f "$work/from-env/SysData.mdb" ] || fail "CORVINA_APP_FOLDER was not used"
[ ! -e "$work/given/sysconfig.ini" ] && [ ! -e "$work/from-env/sysconfig.ini" ] ||
  fail "a named application folder was seeded"

echo "== a copy outside the installed layout keeps the executable's folder"
mkdir -p "$work/portable"
cp "$corvina" "$work/portable/"
expect "portable copy" run "$work/portable/corvina" query --json
[ -f "$work/portable/SysData.mdb" ] || fail "the portable copy did not use its own folder"

if [ "$failures" -gt 0 ]; then
  echo "package check: $failures failure(s)" >&2
  exit 1
fi
echo "package check: passed"
