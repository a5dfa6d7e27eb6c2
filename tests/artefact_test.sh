#!/usr/bin/env bash
# Runs the end-to-end suite (ctest -L e2e: the end-to-end, fault, C compile
# and key-wait tests) on the program of each release package, unpacked as a
# user would unpack it:
#
#   tests/artefact_test.sh PACKAGE...
#
# PACKAGE is a zentro_VERSION_ARCH.deb, a zentro-VERSION-Linux-CPU.tar.gz or
# a zentro-VERSION-win32.zip or -win64.zip. A Linux program for another
# processor runs under qemu-user (Debian: qemu-user), a Windows program
# under wine: wine64 for win64, 32-bit wine for win32 (Debian: wine64,
# wine32 from the i386 architecture). The tests come from build/test, made
# by tests/run. Every package must pass; a missing runner fails too.
#
# Wine runs the same however the script is started: its own messages are
# off (WINEDEBUG=-all), or they would reach zentro's standard error; the
# prefix is the caller's WINEPREFIX, else the one CI makes; one wine server
# serves every test: the caller's, when it runs one, else one started here
# and ended at the end; and the prefix is made or brought up to date, and a
# 64-bit and a 32-bit program started once, before the first test.
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
tests=$src/build/test
[ $# -gt 0 ] || { echo "usage: $0 PACKAGE..." >&2; exit 2; }
[ -f "$tests/CTestTestfile.cmake" ] || { echo "FAIL: no tests in $tests; run tests/run first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zentro-artefact.XXXXXX")
own_wineserver=false
trap 'rm -rf "$work"; if $own_wineserver; then /usr/lib/wine/wineserver -k || true; fi' EXIT

# 32-bit wine counts only when it runs: on a kernel without 32-bit support
# it is installed and every start fails ("Exec format error").
wine32=false
if /usr/lib/wine/wine --version >/dev/null 2>&1; then wine32=true; fi

wine_ready=false
prepare_wine() {
  $wine_ready && return
  wine_ready=true
  export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/zentro-wine-$(id -u)} WINEDEBUG=-all
  local wines=() wine status=0
  [ ! -x /usr/lib/wine/wine64 ] || wines+=(/usr/lib/wine/wine64)
  ! $wine32 || wines+=(/usr/lib/wine/wine)
  # A prefix made while 32-bit wine was missing never gets its 32-bit
  # Windows, and every 32-bit start fails ("could not load kernel32.dll").
  if $wine32 && [ -d "$WINEPREFIX/drive_c" ] &&
    [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    echo "FAIL: the wine prefix $WINEPREFIX was made without 32-bit wine; remove it (rm -rf $WINEPREFIX) and run again" >&2
    exit 1
  fi
  # One server for every test, started before wineboot so that it serves
  # that too; status 2: one runs already, the caller's, and it serves.
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wineserver -p || status=$?
  case $status in
    0) own_wineserver=true ;;
    2) ;;
    *) echo "FAIL: wineserver -p exited with status $status" >&2; exit 1 ;;
  esac
  "${wines[0]}" wineboot >/dev/null 2>&1 || true
  # The first start of a program of each kind, which takes longest.
  for wine in "${wines[@]}"; do
    "$wine" cmd /c exit >/dev/null 2>&1 || true
  done
}

# runner FILE: the command that runs the program FILE on this machine, or
# nothing when it cannot be run here.
runner() {
  local host
  host=$(uname -m)
  case $1 in
    *-Linux-"$host"/bin/zentro | */usr/bin/zentro) echo "$1" ;;
    *-Linux-*/bin/zentro)
      local cpu=${1%/bin/zentro}
      cpu=${cpu##*-Linux-}
      command -v "qemu-$cpu" >/dev/null && echo "qemu-$cpu $1"
      ;;
    *-win64/zentro.exe) [ -x /usr/lib/wine/wine64 ] && echo "/usr/lib/wine/wine64 $1" ;;
    *-win32/zentro.exe) $wine32 && echo "/usr/lib/wine/wine $1" ;;
  esac
  return 0
}

failures=0
for package in "$@"; do
  package=$(cd "$(dirname "$package")" && pwd)/$(basename "$package")
  name=$(basename "$package")
  dir=$work/$name
  mkdir -p "$dir"
  case $name in
    *.deb) dpkg-deb -x "$package" "$dir" && program=$dir/usr/bin/zentro ;;
    *.tar.gz) (cd "$dir" && tar -xzf "$package") && program=$dir/${name%.tar.gz}/bin/zentro ;;
    *.zip) (cd "$dir" && cmake -E tar xf "$package") && program=$dir/${name%.zip}/zentro.exe ;;
    *) echo "FAIL: $name is no package of zentro" >&2; failures=$((failures + 1)); continue ;;
  esac
  if [ ! -f "$program" ]; then
    echo "FAIL: $name holds no ${program#"$dir"/}" >&2
    failures=$((failures + 1))
    continue
  fi
  run=$(runner "$program")
  if [ -z "$run" ]; then
    echo "FAIL: $name: nothing here runs ${program#"$dir"/} (qemu-user or wine missing)" >&2
    failures=$((failures + 1))
    continue
  fi
  case $run in /usr/lib/wine/*) prepare_wine ;; esac
  # A Linux program runs the whole suite, POSIX cases included.
  posix=
  case $name in *.exe | *.zip) ;; *) posix=1 ;; esac
  echo "== $name: $run" | sed "s|$dir/||"
  if ! ZENTRO_RUN=$run ZENTRO_RUN_POSIX=$posix \
    ctest --test-dir "$tests" -L e2e -j "$(nproc)" --output-on-failure >"$work/log" 2>&1; then
    cat "$work/log" >&2
    echo "FAIL: the end-to-end suite failed on $name" >&2
    failures=$((failures + 1))
    continue
  fi
  echo "$(grep -E 'tests passed' "$work/log"), $(grep -c '^[[:space:]]*[0-9]* - .*(Skipped)$' "$work/log" || true) skipped"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures package(s) failed" >&2
  exit 1
fi
echo "the end-to-end suite passed on every package"
