#!/usr/bin/env bash
# Boots the emulated test machine (software emulation, no KVM needed).
#   run-guest.sh GUEST PAYLOAD.img   boots GUEST/base.img with -snapshot (the
#                                    image never changes), the payload as a
#                                    second disk; the guest runs its run.sh
#   run-guest.sh --write GUEST PAYLOAD.img   the same without -snapshot: the
#                                    one boot that writes the base image
# The serial console goes to stdout: that is how results come back. Every
# boot is bounded (ZEM_VM32_TIMEOUT seconds, default 1200).
set -euo pipefail
snapshot=(-snapshot)
if [ "${1:-}" = --write ]; then
  snapshot=()
  shift
fi
guest="$1"
drives=("${snapshot[@]}" -drive "file=$guest/base.img,format=raw,if=virtio"
        -drive "file=$2,format=raw,if=virtio")
# -smap off: with SMAP, qemu 7.2's TCG oopses the guest kernel when Wine
# returns to user mode.
exec timeout -k 10 "${ZEM_VM32_TIMEOUT:-1200}" nice -n 15 qemu-system-x86_64 \
  -accel tcg,thread=multi -cpu max,-smap -smp 2 -m 3072 \
  -display none -no-reboot -nic none -serial stdio -monitor none \
  -kernel "$guest/vmlinuz" -initrd "$guest/initrd.img" \
  -append "root=/dev/vda rw console=ttyS0 quiet loglevel=1 panic=-1 init=/usr/local/sbin/zem-vm32-init zem.mode=run" \
  "${drives[@]}" </dev/null
