#!/usr/bin/env bash
# The Debian packages made from the build tree, unpacked with dpkg-deb into a
# temporary root and tried from there: their files, lintian, the command-line
# tools, Quillport's soname, and the program and the demo started offscreen
# for a user without any files yet. The programs are ended with SIGTERM,
# which closes them as Exit does without the exit question.
#
#   package_test.sh BUILD_DIR VERSION
set -uo pipefail
build=$1
version=$2

for tool in dpkg-deb lintian cpack; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }

# --- the packages
if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
arch=$(dpkg --print-architecture)
deb=$work/out/sonavistor_${version}_${arch}.deb
libdeb=$work/out/libquillport1_${version}_${arch}.deb
for f in "$deb" "$libdeb"; do
  [ -f "$f" ] || { echo "FAIL: no $(basename "$f") in:"; ls "$work/out"; exit 1; }
done

# --- their files
files=$( { dpkg-deb -c "$deb"; dpkg-deb -c "$libdeb"; } | awk '{print $6}' | sed 's|^\./||')
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo "$(uname -m)-linux-gnu")
expected=(
  usr/bin/sonavistor usr/bin/sonavistor-demo usr/bin/sonavistor-cli
  usr/bin/sonavistor-uhid-meter usr/bin/sonavistor-memgen
  usr/share/sonavistor/Quorvane.INI usr/share/sonavistor/quorvane_en.rav
  usr/share/sonavistor/highalarm.wav usr/share/sonavistor/lowalarm.wav usr/share/sonavistor/street.json
  usr/share/sonavistor/quorvane.chm "usr/lib/$multiarch/sonavistor/libquorvanehelp.so"
  usr/lib/udev/rules.d/70-sonavistor-meter.rules usr/lib/systemd/user/sonavistor-log.service
  usr/share/applications/sonavistor.desktop usr/share/applications/sonavistor-demo.desktop
  usr/share/icons/hicolor/scalable/apps/sonavistor.svg
  usr/share/man/man1/sonavistor.1.gz usr/share/man/man1/sonavistor-demo.1.gz
  usr/share/man/man1/sonavistor-cli.1.gz usr/share/man/man1/sonavistor-uhid-meter.1.gz
  usr/share/man/man1/sonavistor-memgen.1.gz
  usr/share/doc/sonavistor/copyright usr/share/doc/sonavistor/changelog.gz
  "usr/lib/$multiarch/libquillport.so.1" "usr/lib/$multiarch/libquillport.so.1.0.0"
  usr/share/doc/libquillport1/copyright usr/share/doc/libquillport1/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/sonavistor.png")
done
for f in "${expected[@]}"; do
  grep -qxF "$f" <<<"$files" || fail "the packages lack $f"
done
grep -qE '^usr/share/metainfo/[^/]+\.metainfo\.xml$' <<<"$files" || fail "no AppStream metainfo"
strays=$(grep -vE '^(usr/(bin|lib|share)(/.*)?|usr/?|)$' <<<"$files")
[ -z "$strays" ] || fail "files outside /usr/bin, /usr/lib, /usr/share: $strays"

# --- lintian: no errors; everything it says goes to the log
lintian --fail-on error "$deb" "$libdeb" 2>&1 | grep -v 'root privileges'
check "lintian reports errors" test "${PIPESTATUS[0]}" -eq 0

# --- unpacked
root=$work/root
dpkg-deb -x "$deb" "$root" && dpkg-deb -x "$libdeb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
bin=$root/usr/bin

# Icons of the sizes their folders name (a PNG's width and height follow its
# 16-byte signature and chunk header).
for size in 16 48 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/sonavistor.png
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  check "$png is $dims" test "$dims" = "${size}x${size}"
done
if command -v appstreamcli >/dev/null; then
  check "appstreamcli validate" appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
fi
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate" desktop-file-validate "$root"/usr/share/applications/*.desktop
fi
if command -v python3 >/dev/null; then
  check "libquillport.so.1 does not load" env LD_LIBRARY_PATH="$root/usr/lib/$multiarch" \
    python3 -c 'import ctypes; ctypes.CDLL("libquillport.so.1").libusb_open'
fi

# --- the command-line tools, on a day of the simulated meter
runtime=$work/runtime
mkdir -m 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
help=$("$bin/sonavistor-cli" --help) || fail "sonavistor-cli --help failed"
grep -q 'sonavistor-cli info' <<<"$help" || fail "sonavistor-cli --help: $help"
"$bin/sonavistor-memgen" "$work/day.bin" 2024-05-17T08:00:00/3@650 || fail "sonavistor-memgen"
echo '{ "memory": "day.bin" }' >"$work/meter.json"
"$bin/sonavistor-cli" import 1 -o "$work/day.qrv" --meter "sim:$work/meter.json" || fail "sonavistor-cli import"
info=$("$bin/sonavistor-cli" info "$work/day.qrv") || fail "sonavistor-cli info failed"
echo "$info"
grep -qE 'rows: +180 \(announced 180\)' <<<"$info" || fail "sonavistor-cli info: not the 3 records of 60 readings"
# The logger as its user service runs it, ended as systemctl stops it.
"$bin/sonavistor-cli" log --dir "$work/levels" --interval 0.1 --meter "sim:$work/meter.json" 2>"$work/log.err" &
logger=$!
# Stopped once its first reading is in the journal.
for _ in $(seq 100); do [ -s "$work/levels/sonavistor-log.journal" ] && break; sleep 0.1; done
kill -TERM "$logger"
wait "$logger" || fail "sonavistor-cli log did not end cleanly: $(cat "$work/log.err")"
compgen -G "$work/levels/*.qrv" >/dev/null || fail "sonavistor-cli log wrote no day file: $(cat "$work/log.err")"
grep -q '^ExecStart=sonavistor-cli log --dir' "$root/usr/lib/systemd/user/sonavistor-log.service" ||
  fail "the user service does not run the logger"

# --- the program and the demo for a new user
# start NAME ENV...: starts the unpacked program offscreen with only ENV and
# waits for its instance lock (taken at start-up, before its files).
start() {
  local name=$1; shift
  env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" "$@" \
    "$bin/$name" >"$work/$name.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    [ -e "$runtime/$name.lock" ] && return 0
    sleep 0.1
  done
  fail "$name did not start: $(cat "$work/$name.log")"
}
# stop NAME PID: SIGTERM, then it must end by itself within 10 s, status 0.
stop() {
  kill -TERM "$2"
  for _ in $(seq 100); do
    if ! kill -0 "$2" 2>/dev/null; then
      wait "$2"
      check "$1 ended with status $?" test $? -eq 0
      return
    fi
    sleep 0.1
  done
  fail "$1 did not end on SIGTERM"
}
is_database() { head -c 15 "$1" 2>/dev/null | grep -q 'SQLite format 3'; }

# A first start with nothing but HOME: the XDG folders' defaults.
home=$work/home
mkdir "$home"
start sonavistor HOME="$home"
start sonavistor-demo HOME="$home"
stop sonavistor "${pids[0]}"
stop sonavistor-demo "${pids[1]}"
for name in sonavistor sonavistor-demo; do
  check "$name: settings not copied from the defaults" \
    cmp -s "$home/.config/$name/Quorvane.INI" "$root/usr/share/sonavistor/Quorvane.INI"
  check "$name: no working database" is_database "$home/.local/share/$name/Quorvane.db"
done

# A start with XDG_CONFIG_HOME and XDG_DATA_HOME and settings of its own: read
# from there (an alarm level below 30 dB reads as 30 dB) and written back at
# closing with all twelve keys.
config=$work/config
data=$work/data
mkdir -p "$config/sonavistor"
printf '[Calyxor OPTIONS]\r\nCOMPANY_NAME=Test Lab\r\nSYSTEMLAL=250\r\n' >"$config/sonavistor/Quorvane.INI"
start sonavistor HOME="$home" XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$data"
stop sonavistor "${pids[2]}"
settings=$(tr -d '\r' <"$config/sonavistor/Quorvane.INI")
for line in COMPANY_NAME=Test\ Lab SYSTEMLAL=300 SYSTEMHAL=300 SAMPLE_PERIOD=5 ALARMONOFF=1; do
  grep -qxF "$line" <<<"$settings" || fail "closing did not write $line: $settings"
done
check "no working database in XDG_DATA_HOME" is_database "$data/sonavistor/Quorvane.db"

for name in sonavistor sonavistor-demo; do
  [ -s "$work/$name.log" ] && { echo "--- $name said:"; cat "$work/$name.log"; }
done
if [ "$failures" -gt 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "packages: $(basename "$deb") $(basename "$libdeb"): all checks passed"
