#!/usr/bin/env bash
# Boots Debian's kernel in a throw-away virtual machine (qemu, software
# emulation) with the host's root folder shared read-only, and runs
# guest.sh inside it against the project's own built programs.
#   run.sh SOURCE_DIR BUILD_DIR
# Exit 0: passed; 77: skipped (no qemu or no kernel here); anything else: failed.
set -uo pipefail

source_dir=$(cd "$1" && pwd)
build_dir=$(cd "$2" && pwd)
cache="${SONAVISTOR_KERNEL_CACHE:-/var/cache/sonavistor/kernel}"

skip() { echo "SKIPPED: $*"; exit 77; }
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed (scripts/install-deps installs it)"
[ -x /bin/busybox ] || skip "busybox-static is not installed"
command -v cpio >/dev/null || skip "cpio is not installed"
[ -f "$cache/current" ] || skip "no test kernel in $cache (scripts/fetch-test-kernel unpacks one)"
version=$(cat "$cache/current")
kernel="$cache/$version/vmlinuz"
modules="$cache/$version/modules"
[ -f "$kernel" ] || skip "kernel $kernel is missing"

work="$build_dir/tests/kernel"
mkdir -p "$work"
initrd="$work/initrd.gz"

# The initramfs: busybox, the modules, and an init that mounts the host.
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{bin,dev,proc,sys,host,mods}
cp /bin/busybox "$tree/bin/busybox"
cp "$modules"/*.ko "$tree/mods/"
cp "$source_dir/tests/kernel/init" "$tree/init"
chmod +x "$tree/init"
(cd "$tree" && find . | cpio -o -H newc 2>/dev/null | gzip -1 > "$initrd")

log="$work/console.log"
start=$(date +%s)
# KVM is present on these machines but hangs at boot: use TCG.
timeout 170 qemu-system-x86_64 -accel tcg -cpu max -m 768 -smp 1 \
  -kernel "$kernel" -initrd "$initrd" \
  -append "console=ttyS0 quiet panic=-1 sonavistor.source=$source_dir sonavistor.build=$build_dir" \
  -nographic -no-reboot -nic none \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  > "$log" 2>&1
status=$?
elapsed=$(( $(date +%s) - start ))

# The guest's report, without the firmware's noise.
tr -d '\r' < "$log" | sed 's/^.*GUEST-BEGIN/GUEST-BEGIN/' | sed -n '/^GUEST-BEGIN/,/^GUEST-END/p'
echo "kernel test: $version, ${elapsed}s in the virtual machine"
if [ $status -eq 124 ]; then
  echo "FAILED: the virtual machine did not finish in time"; tail -30 "$log"; exit 1
fi
if tr -d '\r' < "$log" | grep -q '^GUEST-RESULT: PASS'; then
  exit 0
fi
echo "FAILED: see $log"
grep -q '^GUEST-BEGIN' "$log" || tail -30 "$log"
exit 1
