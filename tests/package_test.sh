#!/usr/bin/env bash
# Checks the release packages: unpacks each one, compares its file list with
# the expected one, and runs the packed zentro on a copy of the bundled
# example project, in both modes.
#
#   tests/package_test.sh [--all] BUILD_DIR...
#
# Every BUILD_DIR is a build tree whose packages have been made (cpack, or
# the package workflow presets): zentro-VERSION-Linux.tar.gz and
# zentro_VERSION_ARCH.deb from a Linux tree, zentro-VERSION-win64.zip from a
# Windows tree. The Windows zentro.exe runs under wine (ZENTRO_WINE, or
# /usr/lib/wine/wine64, wine64 or wine); lintian checks the Debian package.
# A check whose tool or package is missing is skipped, unless --all is
# given: then it fails.
set -euo pipefail

all=false
if [ "${1:-}" = --all ]; then
  all=true
  shift
fi

src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zentro-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
skip() {
  if $all; then fail "$*"; else echo "SKIP: $*"; fi
}

# cache_value BUILD_DIR NAME: a value from the build tree's CMakeCache.txt.
cache_value() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }

# The expected generated files and console output for the example project,
# with LF line ends; crlf turns them into what zentro writes.
crlf() { sed 's/$/\r/'; }
# The same, without the line end after the last line.
crlf_open() { crlf | head -c -2; }

write_expected() {
  local dir=$1
  mkdir -p "$dir"
  crlf_open >"$dir/caetla.bat" <<'EOF'
@echo off
REM caetla.bat created by ZENTRO V3.0
catflap up data\font.tim 80090000
catflap up data\sprites.tim 80090240
catflap up data\level.bin 80090454
catflap up data\music.vh 80100000
catflap up data\music.vb 80100040
catflap run main.exe
EOF
  crlf >"$dir/addrs.h" <<'EOF'
/* addrs.h created by ZENTRO V3.0 */
#ifndef addrs_h
#define addrs_h

#define FONT_TIM 0x80090000
#define FONT_TIM_SIZE 0x240
#define SPRITES_TIM 0x80090240
#define SPRITES_TIM_SIZE 0x214
#define LEVEL_BIN 0x80090454
#define LEVEL_BIN_SIZE 0x101
#define MUSIC_VH 0x80100000
#define MUSIC_VH_SIZE 0x40
#define MUSIC_VB 0x80100040
#define MUSIC_VB_SIZE 0x1000

#define USED_MEM 0x81040 // 516 Kbytes

#endif
EOF
  crlf >"$dir/loadtims.c" <<'EOF'
/* loadtims.c created by ZENTRO V3.0 */

/* Loads TIM files from main RAM into there VRAM co-ords */

#include "addrs.h"

/* Prototypes */
void LoadTims(void);

/* Methods */
void LoadTims(void)
{
 LoadTim(FONT_TIM);
 LoadTim(SPRITES_TIM);
}
EOF
  crlf_open >"$dir/justexe.bat" <<'EOF'
@echo off
REM justexe.bat created by ZENTRO V3.0
catflap run main.exe
EOF
  crlf >"$dir/stdout" <<'EOF'
ZENTRO Version 3 by ormel
https://github.com/zentro-psx/zentro
Reading memcfg.cfg ........
Default start address 0x80090000 
Writing ..\caetla.bat
Writing ..\addrs.h
Writing ..\loadtims.c
catflap up data\font.tim 80090000
TIM image found, FONT_TIM adding to ..\loadtims.c
catflap up data\sprites.tim 80090240
TIM image found, SPRITES_TIM adding to ..\loadtims.c
catflap up data\level.bin 80090454
Address not aligned with 4 byte boundary, Address+=3
New START Offset 0x80100000
catflap up data\music.vh 80100000
catflap up data\music.vb 80100040
End of memcfg.cfg
catflap run main.exe
Writing ..\justexe.bat
EOF
  # Asm mode: data.s, and the files that differ from the default mode.
  mkdir -p "$dir/asm"
  crlf >"$dir/asm/data.s" <<'EOF'
; data.s created by ZENTRO V3.0

	opt c+ ;case sensitivity
	section datasection

	global FONT_TIM
FONT_TIM:
	incbin "data\font.tim"
	cnop 0,4

	global SPRITES_TIM
SPRITES_TIM:
	incbin "data\sprites.tim"
	cnop 0,4

	global LEVEL_BIN
LEVEL_BIN:
	incbin "data\level.bin"
	cnop 0,4

	global MUSIC_VH
MUSIC_VH:
	incbin "data\music.vh"
	cnop 0,4

	global MUSIC_VB
MUSIC_VB:
	incbin "data\music.vb"
	cnop 0,4

end
EOF
  crlf_open >"$dir/asm/caetla.bat" <<'EOF'
@echo off
REM caetla.bat created by ZENTRO V3.0
catflap run main.exe
EOF
  : >"$dir/asm/justexe.bat"
}

expected=$work/expected
write_expected "$expected"

# check_list ARCHIVE EXPECTED_FILE...: the archive holds exactly these files,
# and no directory that is not on the way to one of them.
check_list() {
  local archive=$1
  shift
  local want got dirs
  want=$(printf '%s\n' "$@" | sort)
  got=$(cmake -E tar tf "$archive" | grep -v '/$' | sort)
  if [ "$got" != "$want" ]; then
    fail "$archive holds other files than expected"
    diff <(echo "$want") <(echo "$got") >&2 || true
  fi
  dirs=$(printf '%s\n' "$@" | while read -r f; do
    while [ "${f%/*}" != "$f" ]; do
      f=${f%/*}
      echo "$f/"
    done
  done | sort -u)
  for d in $(cmake -E tar tf "$archive" | grep '/$' | sort -u); do
    grep -qxF "$d" <<<"$dirs" || fail "$archive holds the stray directory $d"
  done
}

# same FILE EXPECTED: byte for byte.
same() {
  if ! cmp -s "$1" "$2"; then
    fail "$1 differs from what was expected"
    diff <(cat -A "$2") <(cat -A "$1") >&2 || true
  fi
}

# run_example NAME COMMAND...: runs COMMAND in a fresh copy of the example
# project's data directory, once without and once with -asm, and checks the
# exit status, the console output and the generated files.
run_example() {
  local name=$1
  shift
  local project=$work/$name
  rm -rf "$project"
  mkdir -p "$project"
  cp -R "$src/example/data" "$project/data"
  local status=0
  (cd "$project/data" && "$@" </dev/null >"$project/stdout" 2>"$project/stderr") || status=$?
  if [ "$status" -ne 0 ]; then
    fail "$name: zentro exited with status $status"
    cat "$project/stdout" "$project/stderr" >&2
  fi
  for f in caetla.bat addrs.h loadtims.c justexe.bat; do
    if [ -f "$project/$f" ]; then same "$project/$f" "$expected/$f"; else fail "$name: no ../$f"; fi
  done
  [ ! -e "$project/data.s" ] || fail "$name: data.s written in the default mode"
  same "$project/stdout" "$expected/stdout"

  status=0
  (cd "$project/data" && "$@" -asm </dev/null >"$project/stdout-asm" 2>&1) || status=$?
  [ "$status" -eq 0 ] || fail "$name: zentro -asm exited with status $status"
  for f in data.s caetla.bat justexe.bat; do
    if [ -f "$project/$f" ]; then same "$project/$f" "$expected/asm/$f"; else fail "$name: -asm wrote no ../$f"; fi
  done
  grep -q '^Generating asm incbin data' "$project/stdout-asm" ||
    fail "$name: zentro -asm did not report asm mode"
}

check_linux() {
  local build=$1 version=$2
  local top=zentro-$version-Linux
  local archive=$build/$top.tar.gz
  echo "== $archive"
  [ -f "$archive" ] || { fail "no $archive"; return; }
  check_list "$archive" "$top/bin/zentro" "$top/share/man/man1/zentro.1" "$top/README.md" "$top/LICENSE"
  mkdir -p "$work/unpacked-linux"
  (cd "$work/unpacked-linux" && cmake -E tar xf "$archive")
  local root=$work/unpacked-linux/$top
  [ -x "$root/bin/zentro" ] || fail "$top/bin/zentro is not executable"
  same "$root/README.md" "$src/README.md"
  same "$root/LICENSE" "$src/LICENSE"
  grep -q "^\.TH ZENTRO 1 .*\"zentro $version\"" "$root/share/man/man1/zentro.1" ||
    fail "$top/share/man/man1/zentro.1 does not name zentro $version"
  if command -v man >/dev/null; then
    MANPATH=$root/share/man MANWIDTH=80 man zentro 2>/dev/null | grep -q 'EXIT STATUS' ||
      fail "man finds no zentro page with MANPATH=$top/share/man"
  fi
  run_example linux "$root/bin/zentro"
}

# check_deb BUILD_DIR VERSION: the Debian package, unpacked into a
# throwaway root; lintian must find nothing to report.
check_deb() {
  local build=$1 version=$2
  local arch
  arch=$(dpkg --print-architecture 2>/dev/null) || { skip "no dpkg, the Debian package was not checked"; return; }
  local deb=$build/zentro_${version}_$arch.deb
  echo "== $deb"
  [ -f "$deb" ] || { fail "no $deb"; return; }
  local root=$work/unpacked-deb
  dpkg-deb -x "$deb" "$root"
  local want got
  want=$(printf '%s\n' ./usr/bin/zentro ./usr/share/doc/zentro/changelog.gz \
    ./usr/share/doc/zentro/copyright ./usr/share/man/man1/zentro.1.gz)
  got=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
  if [ "$got" != "$want" ]; then
    fail "$deb holds other files than expected"
    diff <(echo "$want") <(echo "$got") >&2 || true
  fi
  [ "$(dpkg-deb -f "$deb" Package Version Section Priority)" = "$(printf 'Package: zentro\nVersion: %s\nSection: devel\nPriority: optional' "$version")" ] ||
    fail "$deb: wrong Package, Version, Section or Priority"
  dpkg-deb -f "$deb" Depends | grep -q '^libc6 (>= ' || fail "$deb: no dependency on libc6"
  # The license in the copyright file is the project's own, word for word.
  cmp -s <(sed -n '/^Permission/,$p' "$src/LICENSE") \
    <(sed -n '/^ Permission/,$p' "$root/usr/share/doc/zentro/copyright" | sed 's/^ //; s/^\.$//') ||
    fail "$deb: the copyright file does not hold LICENSE"
  if command -v file >/dev/null; then
    file -L "$root/usr/bin/zentro" | grep -q ', stripped' || fail "$deb: usr/bin/zentro is not stripped"
  fi
  local page
  page=$(zcat "$root/usr/share/man/man1/zentro.1.gz")
  grep -q "^\.TH ZENTRO 1 .*\"zentro $version\"" <<<"$page" || fail "$deb: the manual page does not name zentro $version"
  if command -v man >/dev/null; then
    MANPATH=$root/usr/share/man MANWIDTH=80 man zentro 2>/dev/null | grep -q 'EXIT STATUS' ||
      fail "man does not render the packaged zentro.1.gz"
  elif command -v mandoc >/dev/null; then
    mandoc -T ascii <<<"$page" | grep -q 'EXIT STATUS' || fail "mandoc does not render the packaged zentro.1.gz"
  else
    skip "neither man nor mandoc, the packaged manual page was not rendered"
  fi
  run_example deb "$root/usr/bin/zentro"
  if command -v lintian >/dev/null; then
    local report
    report=$(lintian --display-info --display-experimental --pedantic "$deb" 2>&1 |
      grep -v '^running with root privileges is not recommended!$' || true)
    [ -z "$report" ] || fail "lintian reports on $deb:"$'\n'"$report"
  else
    skip "no lintian, $deb was not checked by it"
  fi
}

find_wine() {
  local w
  for w in "${ZENTRO_WINE:-}" /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [ -n "$w" ] && [ -x "$w" ]; then
      echo "$w"
      return
    fi
  done
}

check_windows() {
  local build=$1 version=$2
  local top=zentro-$version-win64
  local archive=$build/$top.zip
  echo "== $archive"
  [ -f "$archive" ] || { fail "no $archive"; return; }
  check_list "$archive" "$top/zentro.exe" "$top/zentro.txt" "$top/README.md" "$top/LICENSE"
  mkdir -p "$work/unpacked-windows"
  (cd "$work/unpacked-windows" && cmake -E tar xf "$archive")
  local root=$work/unpacked-windows/$top
  same "$root/README.md" "$src/README.md"
  same "$root/LICENSE" "$src/LICENSE"
  [ "$(head -c 2 "$root/zentro.exe")" = MZ ] || fail "$top/zentro.exe is not a Windows program"

  # The manual page as plain text with DOS line ends.
  local txt=$root/zentro.txt
  grep -q 'EXIT STATUS' "$txt" || fail "$top/zentro.txt is not the manual page"
  grep -q "zentro $version" "$txt" || fail "$top/zentro.txt does not name zentro $version"
  [ "$(tr -cd '\n' <"$txt" | wc -c)" -gt 100 ] || fail "$top/zentro.txt is too short"
  [ "$(tr -cd '\n' <"$txt" | wc -c)" = "$(grep -c $'\r$' "$txt")" ] ||
    fail "$top/zentro.txt has lines that do not end in CR LF"
  ! LC_ALL=C grep -q $'[\b\033]' "$txt" || fail "$top/zentro.txt holds overstrikes or escape sequences"

  local wine
  wine=$(find_wine)
  if [ -z "$wine" ]; then
    skip "no wine, $top/zentro.exe was not run"
    return
  fi
  export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/zentro-wine-$(id -u)}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  run_example windows "$wine" "$root/zentro.exe"
}

[ $# -gt 0 ] || { echo "usage: $0 BUILD_DIR..." >&2; exit 2; }
for build in "$@"; do
  build=$(cd "$build" && pwd)
  version=$(cache_value "$build" CMAKE_PROJECT_VERSION)
  [ -n "$version" ] || { fail "$build is not a configured build tree"; continue; }
  generator=$(sed -n 's/^set(CPACK_GENERATOR "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
  case $generator in
    TGZ)
      check_linux "$build" "$version"
      skip "$build makes no Debian package (no dpkg-shlibdeps, file or gzip at configure time)"
      ;;
    "TGZ;DEB")
      check_linux "$build" "$version"
      check_deb "$build" "$version"
      ;;
    ZIP) check_windows "$build" "$version" ;;
    *) fail "$build: unexpected package generator '$generator'" ;;
  esac
done

if [ "$failures" -gt 0 ]; then
  echo "$failures package check(s) failed" >&2
  exit 1
fi
echo "package checks passed"
