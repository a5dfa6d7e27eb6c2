#!/usr/bin/env bash
# Checks the release packages: unpacks each one, compares its file list with
# the expected one, checks that its members are sorted and its program
# stripped, and runs the packed zentro on a copy of the bundled example
# project, in both modes, and the packed zentro-gas on the data.s it wrote.
#
#   tests/package_test.sh [--all] BUILD_DIR...
#
# Every BUILD_DIR is a build tree whose package has been made (cpack, or the
# package workflow presets): zentro_VERSION_ARCH.deb from build/default,
# zentro-VERSION-Linux-CPU.tar.gz from build/linux-x86_64 or
# build/linux-aarch64, zentro-VERSION-win64.zip or -win32.zip from
# build/windows or build/windows32; a tree of one of these names must hold
# that package. The static Linux zentro must be a static-pie program for the
# processor its archive names, by its own header, with BIND_NOW and checked
# (_FORTIFY_SOURCE) functions, and need no program interpreter and no
# library: for this machine's processor it runs in an empty root (as root,
# or in a user namespace), for another one under qemu-user. The Windows
# zentro.exe runs under wine (/usr/lib/wine/wine64 for win64, the 32-bit
# /usr/lib/wine/wine for win32); the 32-bit one must also start on Windows
# XP: a subsystem version of at most 5.1, and only the imports listed in
# tests/winxp-imports.txt. lintian checks the Debian package. A check whose
# tool or package is missing is skipped, unless --all is given: then it
# fails.
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
  # What zentro-gas makes of that data.s, line ends as they are.
  cat >"$dir/asm/data-gas.s" <<'EOF'
/* data.s created by ZENTRO V3.0 */

	.section .data.datasection,"aw"
	.balign 4

EOF
  local name symbol
  for name in font.tim sprites.tim level.bin music.vh music.vb; do
    symbol=$(tr a-z. A-Z_ <<<"$name")
    printf '\t.globl %s\n%s:\n\t.incbin "data/%s"\n\t.balign 4\n\n' "$symbol" "$symbol" "$name"
  done >>"$dir/asm/data-gas.s"
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

# cmake_package DIR: the files of the CMake package (find_package(zentro)).
cmake_package() {
  printf "$1/%s\n" zentroConfig.cmake zentroConfigVersion.cmake zentro-glue.cmake zentro-upload.cmake
}

# members ARCHIVE: its members in the order they are stored (for a Debian
# package, those of its data archive).
members() {
  case $1 in
    *.deb) dpkg-deb --fsys-tarfile "$1" | tar -t ;;
    *) cmake -E tar tf "$1" ;;
  esac
}

# check_sorted ARCHIVE: the members are stored sorted by name, so that the
# archive's bytes do not depend on the order a file system lists them in.
check_sorted() {
  if [ "$(members "$1")" != "$(members "$1" | LC_ALL=C sort)" ]; then
    fail "$1: the members are not sorted by name"
    diff <(members "$1" | LC_ALL=C sort) <(members "$1") >&2 || true
  fi
}

# check_stripped PROGRAM NAME: no symbol table and no debug information.
check_stripped() {
  if ! command -v objdump >/dev/null; then
    skip "no objdump, $2 was not checked for symbols"
    return
  fi
  objdump -t "$1" 2>/dev/null | grep -qx 'no symbols' || fail "$2 is not stripped: it has symbols"
  ! objdump -h "$1" | grep -q ' \.debug' || fail "$2 is not stripped: it has debug sections"
}

# check_static PROGRAM NAME: an ELF program that needs no program
# interpreter and no shared library.
check_static() {
  if ! command -v readelf >/dev/null; then
    skip "no readelf, $2 was not checked for being static"
    return
  fi
  ! readelf -l "$1" | grep -q 'INTERP' || fail "$2 asks for a program interpreter: it is not static"
  ! readelf -d "$1" | grep -q '(NEEDED)' ||
    fail "$2 needs shared libraries:"$'\n'"$(readelf -d "$1" | grep '(NEEDED)')"
}

# check_elf PROGRAM NAME CPU UNSTRIPPED: a program for CPU (x86_64,
# aarch64) by its own header, and hardened as the Debian package's program
# is: position-independent (static-pie: DYN, and no interpreter, which
# check_static checks), its symbols bound at start (BIND_NOW), and the
# checked functions of _FORTIFY_SOURCE linked in, seen in UNSTRIPPED, the
# build tree's program that PROGRAM was stripped from (the same build ID).
check_elf() {
  local program=$1 name=$2 cpu=$3 unstripped=$4 machine header id
  if ! command -v readelf >/dev/null || ! command -v nm >/dev/null; then
    skip "no readelf or nm (Debian: binutils), $name was not checked for its CPU and hardening"
    return
  fi
  case $cpu in
    x86_64) machine='Advanced Micro Devices X86-64' ;;
    aarch64) machine=AArch64 ;;
    *) machine="the $cpu's" ;;
  esac
  header=$(readelf -h "$program")
  grep -qE "^ +Machine: +$machine\$" <<<"$header" ||
    fail "$name is not a program for $cpu:$(grep 'Machine:' <<<"$header")"
  grep -qE '^ +Type: +DYN ' <<<"$header" ||
    fail "$name is not position-independent (static-pie):$(grep 'Type:' <<<"$header")"
  readelf -d "$program" | grep '(FLAGS) *BIND_NOW' >/dev/null ||
    fail "$name has no BIND_NOW: its symbols are bound late"
  id=$(readelf -n "$program" | grep 'Build ID:' || true)
  if [ -z "$id" ] || [ "$id" != "$(readelf -n "$unstripped" 2>/dev/null | grep 'Build ID:')" ]; then
    fail "$name is not $unstripped stripped: its checked functions cannot be seen"
  elif ! nm "$unstripped" | grep -E ' T __[a-z]+_chk$' >/dev/null; then
    fail "$name calls no checked function of _FORTIFY_SOURCE (__snprintf_chk...)"
  fi
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
# exit status, the console output and the generated files; then the
# package's zentro-gas (beside the program, run the same way) on data.s.
# run_example --root NAME PROGRAM: the same with the project as the root
# directory and PROGRAM copied to /zentro in it: nothing else is there.
run_example() {
  local root=false
  if [ "$1" = --root ]; then
    root=true
    shift
  fi
  local name=$1
  shift
  local project=$work/$name
  rm -rf "$project"
  mkdir -p "$project"
  cp -R "$src/example/data" "$project/data"
  local gas=${!#}
  case $gas in
    *.exe) gas=${gas%.exe}-gas.exe ;;
    *) gas=$gas-gas ;;
  esac
  local gas_run=("${@:1:$#-1}" "$gas")
  if $root; then
    cp "$1" "$project/zentro"
    cp "$gas" "$project/zentro-gas"
    set -- "${empty_root[@]}" --root="$project" --wd=/data /zentro
    gas_run=("${empty_root[@]}" --root="$project" --wd=/ /zentro-gas)
  fi
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

  status=0
  (cd "$project" && "${gas_run[@]}" data.s data-gas.s </dev/null >"$project/gas-output" 2>&1) ||
    status=$?
  if [ "$status" -ne 0 ]; then
    fail "$name: zentro-gas exited with status $status"
    cat "$project/gas-output" >&2
  fi
  if [ -f "$project/data-gas.s" ]; then
    same "$project/data-gas.s" "$expected/asm/data-gas.s"
  else
    fail "$name: zentro-gas wrote no data-gas.s"
  fi
}

# empty_root: the command that runs a program in another root directory:
# unshare as root, or in a user namespace of its own.
empty_root=()
if command -v unshare >/dev/null; then
  if [ "$(id -u)" = 0 ]; then
    empty_root=(unshare)
  elif unshare --user --map-root-user true 2>/dev/null; then
    empty_root=(unshare --user --map-root-user)
  fi
fi

# check_linux BUILD_DIR VERSION CPU: the static Linux archive.
check_linux() {
  local build=$1 version=$2 cpu=$3
  local top=zentro-$version-Linux-$cpu
  local archive=$build/$top.tar.gz
  echo "== $archive"
  [ -f "$archive" ] || { fail "no $archive"; return; }
  check_list "$archive" "$top/bin/zentro" "$top/share/man/man1/zentro.1" "$top/README.md" "$top/LICENSE" \
    "$top/bin/zentro-gas" "$top/share/man/man1/zentro-gas.1" \
    "$top/bin/zentro-map" "$top/share/man/man1/zentro-map.1" $(cmake_package "$top/lib/cmake/zentro")
  check_sorted "$archive"
  mkdir -p "$work/unpacked-$cpu"
  (cd "$work/unpacked-$cpu" && tar -xzf "$archive")
  local root=$work/unpacked-$cpu/$top
  [ -x "$root/bin/zentro" ] || fail "$top/bin/zentro is not executable"
  [ -x "$root/bin/zentro-gas" ] || fail "$top/bin/zentro-gas is not executable"
  [ -x "$root/bin/zentro-map" ] || fail "$top/bin/zentro-map is not executable"
  same "$root/README.md" "$src/README.md"
  same "$root/LICENSE" "$src/LICENSE"
  grep -q "^\.TH ZENTRO 1 .*\"zentro $version\"" "$root/share/man/man1/zentro.1" ||
    fail "$top/share/man/man1/zentro.1 does not name zentro $version"
  if command -v man >/dev/null; then
    MANPATH=$root/share/man MANWIDTH=80 man zentro 2>/dev/null | grep -q 'EXIT STATUS' ||
      fail "man finds no zentro page with MANPATH=$top/share/man"
  fi
  check_man_gas "$root/share/man" "$top"
  check_cmake_package "$root/lib/cmake/zentro" "$top"
  local program
  for program in zentro zentro-gas zentro-map; do
    check_stripped "$root/bin/$program" "$top/bin/$program"
    check_static "$root/bin/$program" "$top/bin/$program"
    check_elf "$root/bin/$program" "$top/bin/$program" "$cpu" "$build/$program"
  done
  if [ "$cpu" = "$(uname -m)" ]; then
    if [ ${#empty_root[@]} -gt 0 ]; then
      run_example --root "linux-$cpu" "$root/bin/zentro"
    else
      skip "$top/bin/zentro was not run in an empty root (needs root or user namespaces)"
      run_example "linux-$cpu" "$root/bin/zentro"
    fi
  elif command -v "qemu-$cpu" >/dev/null; then
    run_example "linux-$cpu" "qemu-$cpu" "$root/bin/zentro"
  else
    skip "no qemu-$cpu (Debian: qemu-user), $top/bin/zentro was not run"
  fi
}

# check_cmake_package DIR NAME: a project that finds the package in DIR
# gets programs that exist, where the package says they are.
check_cmake_package() {
  local project=$work/cmake-project-$2
  mkdir -p "$project"
  cat >"$project/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(p NONE)
find_package(zentro 3.0 REQUIRED)
foreach(program zentro::zentro zentro::gas zentro::map)
  get_target_property(file ${program} IMPORTED_LOCATION)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${program} names ${file}, which is not there")
  endif()
endforeach()
EOF
  local output
  output=$(cmake -S "$project" -B "$project/b" -Dzentro_DIR="$1" 2>&1) ||
    fail "$2: a project that uses its CMake package does not configure:"$'\n'"$output"
}

# check_man_gas MANDIR NAME: man zentro-gas and man zentro-map, with
# MANPATH=MANDIR, show zentro's page, which describes them.
check_man_gas() {
  local page text
  for page in zentro-gas zentro-map; do
    if command -v man >/dev/null; then
      # Read whole: grep -q would stop at the first match and break man's pipe.
      text=$(MANPATH=$1 MANWIDTH=80 man $page 2>/dev/null) || true
      grep -q "$page" <<<"$text" || fail "$2: man $page shows no page"
    else
      skip "no man, man $page was not tried on $2"
    fi
  done
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
  want=$(printf '%s\n' ./usr/bin/zentro ./usr/share/doc/zentro/README.md.gz \
    ./usr/share/doc/zentro/changelog.gz ./usr/share/doc/zentro/copyright \
    ./usr/share/man/man1/zentro.1.gz ./usr/bin/zentro-gas ./usr/share/man/man1/zentro-gas.1.gz \
    ./usr/bin/zentro-map ./usr/share/man/man1/zentro-map.1.gz \
    $(cmake_package ./usr/lib/cmake/zentro) | sort)
  got=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
  if [ "$got" != "$want" ]; then
    fail "$deb holds other files than expected"
    diff <(echo "$want") <(echo "$got") >&2 || true
  fi
  check_sorted "$deb"
  [ "$(dpkg-deb -f "$deb" Package Version Section Priority)" = "$(printf 'Package: zentro\nVersion: %s\nSection: devel\nPriority: optional' "$version")" ] ||
    fail "$deb: wrong Package, Version, Section or Priority"
  dpkg-deb -f "$deb" Depends | grep -q '^libc6 (>= ' || fail "$deb: no dependency on libc6"
  # The copyright file, read as Debian's machine-readable format, holds
  # LICENSE's holder and its license word for word.
  if /usr/bin/python3 -c 'import debian.copyright' 2>/dev/null; then
    /usr/bin/python3 - "$root/usr/share/doc/zentro/copyright" "$src/LICENSE" <<'EOF' ||
import sys
from debian.copyright import Copyright
files = Copyright(open(sys.argv[1])).find_files_paragraph("zentro.c")
_, holder, text = open(sys.argv[2]).read().partition("Copyright (c) %s\n" % files.copyright)
assert files.copyright and holder, "Copyright: %r" % files.copyright
assert files.license.synopsis == "Expat", "License: %r" % files.license.synopsis
assert files.license.text == text.strip("\n"), "License text: %r" % files.license.text[:60]
EOF
      fail "$deb: the copyright file does not read as Debian's format with LICENSE's holder and text"
  else
    skip "no python3-debian, the copyright file of $deb was not parsed"
  fi
  check_stripped "$root/usr/bin/zentro" "$deb: usr/bin/zentro"
  check_stripped "$root/usr/bin/zentro-gas" "$deb: usr/bin/zentro-gas"
  check_stripped "$root/usr/bin/zentro-map" "$deb: usr/bin/zentro-map"
  check_man_gas "$root/usr/share/man" "$deb"
  check_cmake_package "$root/usr/lib/cmake/zentro" deb
  # zentro-gas's and zentro-map's pages are links within the package, to zentro's.
  for page in zentro-gas zentro-map; do
    [ "$(readlink "$root/usr/share/man/man1/$page.1.gz")" = zentro.1.gz ] ||
      fail "$deb: usr/share/man/man1/$page.1.gz is not a relative link to zentro.1.gz"
  done
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

# check_xp EXE: the header asks for no Windows newer than XP (5.1), and
# every function imported is one that XP has (tests/winxp-imports.txt).
check_xp() {
  local exe=$1 name=$2
  if ! command -v objdump >/dev/null; then
    skip "no objdump, $name was not checked for Windows XP"
    return
  fi
  local header major minor
  header=$(objdump -p "$exe")
  major=$(awk '$1 == "MajorSubsystemVersion" { print $2 }' <<<"$header")
  minor=$(awk '$1 == "MinorSubsystemVersion" { print $2 }' <<<"$header")
  if [ -z "$major" ] || [ "$major" -gt 5 ] || { [ "$major" -eq 5 ] && [ "$minor" -gt 1 ]; }; then
    fail "$name asks for Windows ${major:-?}.${minor:-?}: XP is 5.1"
  fi
  local imports unknown
  imports=$(awk '/DLL Name:/ { dll = $3; next }
                 dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3; next }
                 /^$/ { dll = "" }' <<<"$header" | LC_ALL=C sort -u)
  [ -n "$imports" ] || fail "$name: no imports found in its header"
  unknown=$(comm -23 <(echo "$imports") <(grep -v "^#" "$src/tests/winxp-imports.txt" | LC_ALL=C sort -u))
  [ -z "$unknown" ] ||
    fail "$name imports what tests/winxp-imports.txt does not list as on Windows XP:"$'\n'"$unknown"
}

# check_windows BUILD_DIR VERSION SYSTEM: the win64 or win32 archive.
check_windows() {
  local build=$1 version=$2 system=$3
  local top=zentro-$version-$system
  local archive=$build/$top.zip
  echo "== $archive"
  [ -f "$archive" ] || { fail "no $archive"; return; }
  check_list "$archive" "$top/zentro.exe" "$top/zentro.txt" "$top/README.md" "$top/LICENSE" \
    "$top/zentro-gas.exe" "$top/zentro-map.exe" $(cmake_package "$top/cmake")
  check_sorted "$archive"
  mkdir -p "$work/unpacked-$system"
  (cd "$work/unpacked-$system" && cmake -E tar xf "$archive")
  local root=$work/unpacked-$system/$top
  same "$root/README.md" "$src/README.md"
  same "$root/LICENSE" "$src/LICENSE"
  local format wine
  case $system in
    win32) format=pei-i386 wine=/usr/lib/wine/wine ;;
    *) format=pei-x86-64 wine=/usr/lib/wine/wine64 ;;
  esac
  check_cmake_package "$root/cmake" "$top"
  local exe
  for exe in zentro.exe zentro-gas.exe zentro-map.exe; do
    [ "$(head -c 2 "$root/$exe")" = MZ ] || fail "$top/$exe is not a Windows program"
    if command -v objdump >/dev/null; then
      objdump -f "$root/$exe" | grep -q "file format $format\$" ||
        fail "$top/$exe is not $format: $(objdump -f "$root/$exe" | grep 'file format')"
    fi
    check_stripped "$root/$exe" "$top/$exe"
    [ "$system" != win32 ] || check_xp "$root/$exe" "$top/$exe"
  done

  # The manual page as plain text with DOS line ends.
  local txt=$root/zentro.txt
  grep -q 'EXIT STATUS' "$txt" || fail "$top/zentro.txt is not the manual page"
  grep -q "zentro $version" "$txt" || fail "$top/zentro.txt does not name zentro $version"
  [ "$(tr -cd '\n' <"$txt" | wc -c)" -gt 100 ] || fail "$top/zentro.txt is too short"
  [ "$(tr -cd '\n' <"$txt" | wc -c)" = "$(grep -c $'\r$' "$txt")" ] ||
    fail "$top/zentro.txt has lines that do not end in CR LF"
  ! LC_ALL=C grep -q $'[\b\033]' "$txt" || fail "$top/zentro.txt holds overstrikes or escape sequences"

  # A 32-bit wine that cannot run (a kernel without 32-bit support:
  # "Exec format error") counts as missing.
  if ! "$wine" --version >/dev/null 2>&1; then
    skip "no $wine that runs here (Debian: wine64, wine32), $top/zentro.exe was not run"
    return
  fi
  export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/zentro-wine-$(id -u)}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  run_example "$system" "$wine" "$root/zentro.exe"
}

[ $# -gt 0 ] || { echo "usage: $0 BUILD_DIR..." >&2; exit 2; }
for build in "$@"; do
  build=$(cd "$build" && pwd)
  version=$(cache_value "$build" CMAKE_PROJECT_VERSION)
  [ -n "$version" ] || { fail "$build is not a configured build tree"; continue; }
  generator=$(sed -n 's/^set(CPACK_GENERATOR "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
  system=$(sed -n 's/^set(CPACK_SYSTEM_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
  # Each package workflow's tree holds the package its name promises,
  # whatever the tree's settings say.
  case ${build##*/} in
    default) generator=DEB ;;
    linux-x86_64 | linux-aarch64) generator=TGZ system=Linux-${build##*/linux-} ;;
    windows) generator=ZIP system=win64 ;;
    windows32) generator=ZIP system=win32 ;;
  esac
  case $generator in
    DEB) check_deb "$build" "$version" ;;
    TGZ) check_linux "$build" "$version" "${system#Linux-}" ;;
    ZIP) check_windows "$build" "$version" "$system" ;;
    *) fail "$build: unexpected package generator '$generator'" ;;
  esac
done

if [ "$failures" -gt 0 ]; then
  echo "$failures package check(s) failed" >&2
  exit 1
fi
echo "package checks passed"
