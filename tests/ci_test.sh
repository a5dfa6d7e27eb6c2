#!/usr/bin/env bash
# .ci/run's install and skip decisions, on a machine of stand-ins: the
# commands it looks for, apt-get and dpkg (which record their calls and
# fail for the packages a case makes unavailable), wine under a root of
# its own (a 32-bit wine that runs, one that the kernel cannot run, or
# none), and a checker that each check is handed instead of being run. For
# each case the exit status, the framed lines, the apt-get calls and the
# checks:
#
#   tests/ci_test.sh
set -uo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zentro-ci.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

tools=(cmake g++ make groff x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-win32
       aarch64-linux-gnu-g++ qemu-aarch64 clang++ mipsel-linux-gnu-gcc ninja dpkg-shlibdeps
       file man lintian zip)

# machine DIR WINE32 MISSING...: a machine under DIR whose 32-bit wine is
# "runs", "noexec" (installed, but "Exec format error") or "none", and
# which lacks the commands MISSING.
machine() {
  local dir=$1 wine32=$2 tool
  shift 2
  mkdir -p "$dir/bin" "$dir/usr/lib/wine" "$dir/usr/bin" \
    "$dir/usr/lib/llvm-14/lib/clang/14/lib/linux"
  for tool in bash cat dirname env grep id sed tail; do ln -s "$(command -v "$tool")" "$dir/bin/$tool"; done
  for tool in "${tools[@]}"; do
    [[ " $* " == *" $tool "* ]] || printf '#!/bin/sh\n' >"$dir/bin/$tool"
  done
  : >"$dir/usr/lib/llvm-14/lib/clang/14/lib/linux/libclang_rt.fuzzer-x86_64.a"
  printf '#!/bin/sh\n' >"$dir/usr/bin/python3"
  printf '#!/bin/sh\n' >"$dir/usr/lib/wine/wine64"
  printf '#!/bin/sh\n' >"$dir/usr/lib/wine/wineserver"
  case $wine32 in
    runs) printf '#!/bin/sh\necho wine-8.0\n' >"$dir/usr/lib/wine/wine" ;;
    # An ELF file that the kernel refuses, as it refuses every 32-bit one
    # where it runs none.
    noexec) { printf '\177ELF\001\001\001'; head -c 45 /dev/zero; } >"$dir/usr/lib/wine/wine" ;;
  esac
  # apt-get and dpkg record their calls; apt-get fails for a package named
  # in $dir/unavailable, alone or among others.
  printf '#!/bin/sh\necho "apt-get $*" >>"%s/log"\nfor p; do ! grep -qx -- "$p" "%s/unavailable" || exit 100; done\n' \
    "$dir" "$dir" >"$dir/bin/apt-get"
  printf '#!/bin/sh\necho "dpkg $*" >>"%s/log"\n' "$dir" >"$dir/bin/dpkg"
  # The checker: records each check, fails the one named in $dir/fails.
  printf '#!/bin/sh\necho "check $*" >>"%s/log"\n[ "$*" != "$(cat "%s/fails" 2>/dev/null)" ]\n' \
    "$dir" "$dir" >"$dir/bin/checker"
  chmod +x "$dir"/bin/* "$dir"/usr/bin/* "$dir"/usr/lib/wine/*
  touch "$dir/log" "$dir/unavailable"
}

# expect NAME STATUS WANT-LOG WANT-FRAMES: .ci/run on the machine NAME.
expect() {
  local dir=$work/$1 status=0
  (cd "$src" && env -i PATH="$dir/bin" ZENTRO_CI_ROOT="$dir" ZENTRO_CI_CHECK="$dir/bin/checker" \
    TMPDIR="$dir" bash .ci/run >"$dir/out" 2>"$dir/err" </dev/null) || status=$?
  local frames
  frames=$(grep '^########' "$dir/err")
  if [ "$status" != "$2" ] || [ "$(cat "$dir/log")" != "$3" ] || [ "$frames" != "$4" ]; then
    echo "FAIL: $1: status $status (want $2)"
    diff <(echo "$3") "$dir/log" | sed 's/^/  log /'
    diff <(echo "$4") <(echo "$frames") | sed 's/^/  frames /'
    sed 's/^/  stderr: /' "$dir/err"
    failures=$((failures + 1))
  fi
}

packages="check cmake --workflow --preset package
check cmake --workflow --preset package-linux-x86_64
check cmake --workflow --preset package-linux-aarch64
check cmake --workflow --preset package-windows
check cmake --workflow --preset package-windows32"
before="check wine_prefix
check tests/run
check cmake --workflow --preset asan
check fuzz
$packages"
trees="build/default build/linux-x86_64 build/linux-aarch64 build/windows"
debs="build/default/zentro_*.deb build/linux-*/zentro-*.tar.gz build/windows/zentro-*-win64.zip"
after="check tests/reproducible_test.sh $trees build/windows32
check install_from_source"
nobody=
[ "$(id -u)" -ne 0 ] || nobody="check as_nobody
"
all_checks="$before
check tests/package_test.sh --all $trees build/windows32
check tests/artefact_test.sh $debs build/windows32/zentro-*-win32.zip
$nobody$after"
without32="$before
check tests/package_test.sh --all $trees
check tests/package_test.sh build/windows32
check tests/artefact_test.sh $debs
$nobody$after"
left="the win32 zip's zentro.exe was not run under 32-bit wine (package check, end-to-end suite, data-file tests as nobody)"
noexec() {
  echo "32-bit wine cannot run 32-bit programs here ($work/$1/usr/lib/wine/wine: cannot execute binary file: Exec format error): $left"
}

machine "$work/complete" runs
expect complete 0 "$all_checks" ""

# Installed, but the kernel runs no 32-bit program: every other check runs.
machine "$work/noexec" noexec
expect noexec 0 "$without32" "######## .ci/run: $(noexec noexec) ########
######## .ci/run: $(noexec noexec); every other check ran ########"

# Two packages missing, all at once fails; one by one, ninja comes and
# 32-bit wine does not: left out, and said so.
machine "$work/no-wine32" none ninja
echo wine32:i386 >"$work/no-wine32/unavailable"
expect no-wine32 0 "dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq wine32:i386 ninja-build
apt-get install -y -qq wine32:i386
apt-get install -y -qq ninja-build
$without32" "######## .ci/run: wine32:i386 could not be installed: $left ########
######## .ci/run: wine32:i386 could not be installed: $left; every other check ran ########"

# Any other package that cannot be had fails the run at once, naming every
# package that could not be installed; the others are still installed.
machine "$work/no-ninja" none ninja file
printf 'wine32:i386\nninja-build\n' >"$work/no-ninja/unavailable"
expect no-ninja 1 "dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq wine32:i386 ninja-build file
apt-get install -y -qq wine32:i386
apt-get install -y -qq ninja-build
apt-get install -y -qq file" "######## .ci/run: FAILED: could not install wine32:i386 ninja-build ########"

# A check that fails stops the run, whose last line does not claim that
# every other check ran.
machine "$work/stopped" noexec
echo "tests/run" >"$work/stopped/fails"
expect stopped 1 "check wine_prefix
check tests/run" "######## .ci/run: $(noexec stopped) ########
######## .ci/run: $(noexec stopped); the run stopped early (status 1): not every other check ran ########"

[ "$failures" -eq 0 ] || exit 1
echo "ci_test: all cases passed"
