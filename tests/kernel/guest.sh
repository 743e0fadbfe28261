#!/bin/bash
# Runs inside the test machine, chrooted into the host's (read-only) root,
# with /run in memory. The project's own programs meet the simulated
# meter as a kernel HID device (uhid): hidraw, hidapi and the kernel's device
# events are the real ones. What the fake HID platform gives for the same
# scenario is the expected answer. Prints GUEST-RESULT: PASS or FAIL.
source_dir=$1
build_dir=$2
bin="$build_dir/bin"
cli="$bin/sonavistor-cli"
uhid="$bin/sonavistor-uhid-meter"
failures=0
export HOME=/run/home TMPDIR=/run/tmp XDG_RUNTIME_DIR=/run/user QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$TMPDIR" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

check() {  # check NAME COMMAND...
  local name=$1; shift
  if "$@"; then echo "ok   $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
}
show() { sed 's/^/     | /' "$@"; }
hidraw_count() { ls /sys/class/hidraw 2>/dev/null | wc -l; }
hidraw_at_least() { [ "$(hidraw_count)" -ge "$1" ]; }
hidraw_exactly() { [ "$(hidraw_count)" -eq "$1" ]; }
run() { timeout 40 "$cli" "$@"; }  # a hang is a failure, not the end of the test
wait_for() {  # wait_for SECONDS COMMAND...: until COMMAND succeeds
  local until=$(( $(date +%s) + $1 )); shift
  until "$@"; do [ "$(date +%s)" -ge "$until" ] && return 1; sleep 0.1; done
}
test_two_unplugs() { [ "$(grep -c '^no meter' watch.txt)" -ge 2 ]; }
same() { cmp -s "$1" "$2" || { echo "     $1 and $2 differ:"; diff "$1" "$2" | head -10 | show; false; }; }

check "uhid device node" test -c /dev/uhid
check "hidraw compiled in" test -d /sys/class/hidraw

work=/run/kernel-test
mkdir -p "$work" && cd "$work" || exit 1
"$bin/sonavistor-memgen" day.bin 2026-12-01T08:00:00/300@640 2026-12-02T07:30:00/200@610 \
  2026-12-03T21:00:00/90@520 >/dev/null
# A real meter sends a report every millisecond or two; hidraw keeps at most
# 63 unread ones per reader, so a meter much faster than this slow machine's
# reader would lose reports that no real one would.
echo '{ "memory": "day.bin", "live": [[652, 65], [853, 64], [1311, 4]], "reportDelayMs": 3 }' > meter.json
# Vanishes in the middle of the second day's records.
echo '{ "memory": "day.bin", "unplugAfterReports": 400, "reportDelayMs": 3 }' > unplug.json

# The expected answers, from the in-memory HID platform.
run days --meter sim:meter.json > days.fake 2>&1
run import 2026/12/02 -o fake.qrv --meter sim:meter.json > import.fake 2>&1

# A keyboard of the meter's vendor, then the meter.
"$uhid" --keyboard > keyboard.log 2>&1 & keyboard=$!
check "keyboard plugged" wait_for 20 hidraw_at_least 1
"$uhid" meter.json > meter.log 2>&1 & meter=$!
check "meter plugged" wait_for 20 hidraw_at_least 2
show keyboard.log meter.log

run devices > devices.txt 2>&1
show devices.txt
check "both devices listed" test "$(grep -c '^/dev/hidraw' devices.txt)" -eq 2
check "the meter is found by vendor and product" grep -q $'\t0483:5750\tin 65 out 65\tmeter$' devices.txt
check "the keyboard is not taken for the meter" grep -q $'\t0483:5711\t.*\tother$' devices.txt

run live -n 3 --interval 0.2 > live.txt 2>&1
show live.txt
cut -f3- live.txt > live.fields
printf '65.2\tA\tFAST\t30-80\t-\n85.3\tA\tFAST\t30-130\t-\n131.1\tA\tSLOW\t80-130\t-\n' > live.expected
check "live readings" same live.fields live.expected

run days > days.uhid 2>&1
show days.uhid
check "record count and date area as with the fake platform" same days.uhid days.fake
run import 2026/12/02 -o uhid.qrv > import.uhid 2>&1
show import.uhid
check "imported day as with the fake platform" same uhid.qrv fake.qrv
kill $meter; wait $meter
check "meter gone" wait_for 20 hidraw_exactly 1

# Unplugged in the middle of a read: the command ends and says so.
"$uhid" unplug.json > unplug.log 2>&1 & meter=$!
wait_for 20 hidraw_at_least 2
run import 2026/12/02 -o cut.qrv > cut.out 2> cut.err
status=$?
show cut.err unplug.log
check "import fails cleanly when the meter goes" test $status -eq 1
check "and says the meter was disconnected" grep -q "disconnected" cut.err
check "and writes no file" test ! -e cut.qrv
kill $meter 2>/dev/null; wait $meter

# Unplug and plug again while the program watches: only the device events
# can tell it (nothing reads from the meter meanwhile).
"$cli" devices --watch 60 > watch.txt 2>&1 & watcher=$!
wait_for 20 grep -q "^watching" watch.txt
"$uhid" --unplug-after 2 meter.json > plug1.log 2>&1
wait_for 20 grep -q "^no meter" watch.txt
"$uhid" --unplug-after 2 meter.json > plug2.log 2>&1
wait_for 20 test_two_unplugs
kill $watcher; wait $watcher
show watch.txt
grep -v "^/dev/" watch.txt | sed 's/: .*//' > watch.events
printf 'watching device changes from kernel\nmeter connected\nno meter\nmeter connected\nno meter\n' > watch.expected
check "unplug and replug followed through the kernel's device events" same watch.events watch.expected

kill $keyboard; wait $keyboard
if [ $failures -eq 0 ]; then echo "GUEST-RESULT: PASS"; else echo "GUEST-RESULT: FAIL"; fi
