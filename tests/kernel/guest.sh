#!/bin/bash
# Runs inside the test machine, chrooted into the host's (read-only) root,
# with /tmp and /run in memory. Prints GUEST-RESULT: PASS or FAIL.
source_dir=$1
build_dir=$2
bin="$build_dir/bin"
failures=0

check() {  # check NAME COMMAND...
  local name=$1; shift
  if "$@"; then echo "ok   $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
}

check "uhid device node" test -c /dev/uhid
check "hidraw compiled in" test -d /sys/class/hidraw

if [ $failures -eq 0 ]; then echo "GUEST-RESULT: PASS"; else echo "GUEST-RESULT: FAIL"; fi
