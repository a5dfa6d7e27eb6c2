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
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
tests=$src/build/test
[ $# -gt 0 ] || { echo "usage: $0 PACKAGE..." >&2; exit 2; }
[ -f "$tests/CTestTestfile.cmake" ] || { echo "FAIL: no tests in $tests; run tests/run first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zentro-artefact.XXXXXX")
trap 'rm -rf "$work"' EXIT

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
    *-win32/zentro.exe) [ -x /usr/lib/wine/wine ] && echo "/usr/lib/wine/wine $1" ;;
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
