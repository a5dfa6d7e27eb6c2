#!/usr/bin/env bash
# Checks that the release artefacts are the same bytes when they are made
# again from the same files in another environment: in a git worktree (whose
# .git is a file) of a second clone, in another directory, a few seconds
# later, under another umask, time zone and GROFF_SGR=1 (groff's escape
# sequences on) and, when run as root, as the user nobody. The worktree's
# commit holds HEAD's files and has HEAD's commit time, but was authored a
# month before it, as a rebased commit is: the packages carry the commit
# time, which must be HEAD's (or SOURCE_DATE_EPOCH where it is set).
#
#   tests/reproducible_test.sh BUILD_DIR...
#
# Every BUILD_DIR is a build tree of this checkout, made from HEAD with no
# uncommitted change by a package workflow preset: build/default by
# `package`, build/linux-x86_64 by `package-linux-x86_64`, and so on for
# build/linux-aarch64, build/windows and build/windows32. The same workflow
# runs in the worktree; then zentro or zentro.exe, the archives, the Debian
# package, the compressed manual page and zentro.txt of both are compared.
# Each artefact that differs is named, with its first differing byte and,
# for an archive, how the listings differ and which members. KEEP=1 keeps the
# clone, its worktree and the logs of its build (the path is printed).
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
[ $# -gt 0 ] || { echo "usage: $0 BUILD_DIR..." >&2; exit 2; }
if [ -n "$(git -C "$src" status --porcelain --untracked-files=no)" ]; then
  echo "FAIL: $src has uncommitted changes, which a clone of HEAD would not build" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zentro-again.XXXXXX")
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
clone=$work/second-clone.git
tree=$work/second-tree
git clone -q --bare "$src" "$clone"
git -C "$clone" fetch -q "$src" HEAD
git -C "$clone" worktree add -q --detach "$tree" FETCH_HEAD
commit_time=$(git -C "$src" log -1 --format=%ct)
(cd "$tree" && GIT_AUTHOR_NAME=zentro GIT_AUTHOR_EMAIL=zentro@localhost GIT_COMMITTER_NAME=zentro \
  GIT_COMMITTER_EMAIL=zentro@localhost GIT_AUTHOR_DATE="@$((commit_time - 30 * 86400)) +0000" \
  GIT_COMMITTER_DATE="@$commit_time +0000" git -c commit.gpgsign=false commit -q --allow-empty \
  -m "HEAD's files, authored a month before they were committed")
commit_time=${SOURCE_DATE_EPOCH:-$commit_time}

# The second build: another umask, time zone (UTC+14, no time zone data
# needed) and user where we may switch, and groff asked for escape sequences.
if [ "$(umask)" = 0077 ]; then mask=022; else mask=077; fi
if [ "${TZ:-}" = LINT-14 ]; then tz=EST5; else tz=LINT-14; fi
as=()
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  chown -R nobody: "$work"
  as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups env HOME="$work")
fi
sleep 3 # and a few seconds later than the first

# listing ARCHIVE: its members with their modes, owners, sizes and times.
listing() {
  case $1 in
    *.deb)
      ar tv "$1"
      dpkg-deb --ctrl-tarfile "$1" | tar -tv --full-time
      dpkg-deb --fsys-tarfile "$1" | tar -tv --full-time
      ;;
    *) cmake -E tar tvf "$1" ;;
  esac
}

# unpack ARCHIVE DIR
unpack() {
  mkdir -p "$2"
  case $1 in
    *.deb) dpkg-deb --raw-extract "$1" "$2" ;;
    *) (cd "$2" && cmake -E tar xf "$1") ;;
  esac
}

# show_members ARCHIVE ARCHIVE_AGAIN: how their listings differ, and which
# members' bytes.
show_members() {
  diff <(listing "$1" 2>&1) <(listing "$2" 2>&1) | sed 's/^/  /' >&2 || true
  rm -rf "$work/first" "$work/again"
  unpack "$1" "$work/first"
  unpack "$2" "$work/again"
  diff -r -q "$work/first" "$work/again" |
    sed "s|^Files $work/first/\(.*\) and .* differ$|member \1 differs|; s|$work/||g; s/^/  /" >&2 || true
}

failures=0
for build in "$@"; do
  build=$(cd "$build" && pwd)
  rel=${build#"$src"/}
  case $rel in
    build/default) preset=package ;;
    build/linux-x86_64 | build/linux-aarch64 | build/windows | build/windows32)
      preset=package-${rel#build/}
      ;;
    *) echo "FAIL: $build is not a package build tree of $src (build/default, build/windows...)" >&2; exit 2 ;;
  esac
  echo "== cmake --workflow --preset $preset in the worktree $tree, umask $mask, TZ=$tz," \
    "GROFF_SGR=1${as:+, as nobody}"
  if ! (cd "$tree" && umask "$mask" && "${as[@]}" env TZ="$tz" GROFF_SGR=1 \
    cmake --workflow --preset "$preset") >"$work/$preset.log" 2>&1; then
    cat "$work/$preset.log" >&2
    echo "FAIL: the second $preset workflow failed" >&2
    exit 1
  fi
  again=$tree/$rel
  stamp=$(sed -n 's/^set(CPACK_ZENTRO_SOURCE_DATE_EPOCH "\(.*\)")$/\1/p' "$again/CPackConfig.cmake")
  if [ "$stamp" != "$commit_time" ]; then
    echo "FAIL: $rel: the packages made in the worktree carry the time '$stamp', not the" \
      "commit time $commit_time" >&2
    failures=$((failures + 1))
  fi

  packages=0
  for path in zentro zentro.exe zentro.txt debian/zentro.1.gz debian/changelog.gz \
    "$build"/*.tar.gz "$build"/*.zip "$build"/*.deb; do
    name=${path#"$build"/}
    [ -f "$build/$name" ] || continue
    case $name in *.tar.gz | *.zip | *.deb) packages=$((packages + 1)) ;; esac
    if [ ! -f "$again/$name" ]; then
      echo "FAIL: $rel/$name was not made again" >&2
      failures=$((failures + 1))
    elif ! cmp "$build/$name" "$again/$name" >"$work/cmp" 2>&1; then
      echo "FAIL: $rel/$name differs: $(sed 's/^.* differ: //; s/^cmp: //' "$work/cmp")" >&2
      failures=$((failures + 1))
      case $name in
        *.tar.gz | *.zip | *.deb) show_members "$build/$name" "$again/$name" ;;
      esac
    else
      echo "same: $rel/$name"
    fi
  done
  if [ "$packages" -eq 0 ]; then
    echo "FAIL: $rel holds no package; make it first" >&2
    failures=$((failures + 1))
  fi
done

if [ "$failures" -gt 0 ]; then
  echo "$failures artefact(s) differ on a second build of the same files" >&2
  exit 1
fi
echo "every artefact is the same on a second build"
