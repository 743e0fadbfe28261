#!/usr/bin/env bash
# The Debian packages installed with apt into a fresh Debian of this machine's
# release (debootstrap minbase), as a user installs them: their dependencies
# must be complete without anything this build machine has. Inside it, for a
# new user: the program and the demo started as the application menu starts
# them (the Exec line of their desktop entries, offscreen), ended by SIGTERM;
# the command-line tool imports a day of the simulated meter; every program
# finds all its libraries.
# Needs root (chroot), unshare and Debian's mirror; skips (77) without them.
#
#   clean_install_test.sh BUILD_DIR VERSION
set -uo pipefail
build=$1
version=$2
mirror=${SONAVISTOR_DEBIAN_MIRROR:-http://deb.debian.org/debian}

skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root for chroot"
for tool in debootstrap unshare cpack; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps installs it)"
done
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$release" ] || skip "no Debian release named in /etc/os-release"
unshare -m --propagation private true 2>/dev/null || skip "no mount namespaces here"

# Below /var/tmp: the fresh system is a few hundred megabytes.
work=$(mktemp -d /var/tmp/sonavistor-clean-install.XXXXXX)
# The mounts live in their own namespace and are gone once it ends, so the
# removal never reaches the host's /proc.
trap 'rm -rf --one-file-system "$work"' EXIT

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
arch=$(dpkg --print-architecture)
debs=("$work/out/libquillport1_${version}_${arch}.deb" "$work/out/sonavistor_${version}_${arch}.deb")

root=$work/root
if ! debootstrap --variant=minbase "$release" "$root" "$mirror" >"$work/debootstrap.log" 2>&1; then
  tail -5 "$work/debootstrap.log"
  skip "debootstrap of $release from $mirror failed (no network?)"
fi
cp "${debs[@]}" "$root/tmp/"
cp /etc/resolv.conf "$root/etc/resolv.conf"

cat >"$root/tmp/inside.sh" <<'INSIDE'
set -uo pipefail
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/tmp/apt.log 2>&1 || { tail -5 /tmp/apt.log; echo "SKIP: apt-get update failed"; exit 77; }
if ! apt-get install -y -qq /tmp/*.deb >>/tmp/apt.log 2>&1; then
  tail -20 /tmp/apt.log
  echo "FAIL: apt-get install of the packages"
  exit 1
fi
grep -E '^[0-9]+ upgraded, [0-9]+ newly installed' /tmp/apt.log

for program in /usr/bin/sonavistor* /usr/lib/*/sonavistor/*.so /usr/lib/*/libquillport.so.1; do
  missing=$(ldd "$program" | grep 'not found')
  [ -z "$missing" ] || fail "$program lacks: $missing"
done

useradd -m tester || exit 1
cat >/tmp/as-user.sh <<'USER'
set -uo pipefail
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cd ~
runtime=$HOME/runtime
mkdir -m 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=offscreen

for entry in sonavistor sonavistor-demo; do
  exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$entry.desktop")
  command -v "${exec_line%% *}" >/dev/null || { fail "$entry.desktop: $exec_line is not installed"; continue; }
  $exec_line >"$HOME/$entry.log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do [ -e "$runtime/$entry.lock" ] && break; sleep 0.1; done
  [ -e "$runtime/$entry.lock" ] || fail "$entry did not start: $(cat "$HOME/$entry.log")"
  sleep 1
  kill -TERM "$pid"
  wait "$pid"
  status=$?
  [ "$status" -eq 0 ] || fail "$entry ended with status $status: $(cat "$HOME/$entry.log")"
  [ -s "$HOME/.config/$entry/Quorvane.INI" ] || fail "$entry wrote no settings"
  head -c 15 "$HOME/.local/share/$entry/Quorvane.db" | grep -q 'SQLite format 3' || fail "$entry made no working database"
done

sonavistor-memgen day.bin 2024-05-17T08:00:00/3@650 || fail "sonavistor-memgen"
echo '{ "memory": "day.bin" }' >meter.json
sonavistor-cli import 1 -o day.qrv --meter sim:meter.json || fail "sonavistor-cli import"
sonavistor-cli info day.qrv | grep -qE 'rows: +180 \(announced 180\)' || fail "sonavistor-cli info: not 180 rows"
exit "$failures"
USER
su - tester -c 'bash /tmp/as-user.sh' || failures=$((failures + $?))
exit "$failures"
INSIDE

unshare -m --propagation private bash -c \
  'mount -t proc proc "$1/proc" && exec chroot "$1" /bin/bash /tmp/inside.sh' _ "$root"
status=$?
case $status in
  0) echo "clean $release: $(basename "${debs[1]}") installed with apt; all checks passed" ;;
  77) exit 77 ;;
  *) echo "$status failures"; exit 1 ;;
esac
