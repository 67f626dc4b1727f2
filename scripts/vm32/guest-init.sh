#!/bin/bash
# PID 1 of the emulated 32-bit test machine (installed into its image as
# /usr/local/sbin/zem-vm32-init): mounts what Wine needs, then runs run.sh
# from the payload disk (/dev/vdb, read-only). Everything goes to the serial
# console; the machine powers off at the end, whatever happened.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/root USER=root LANG=C.UTF-8 TERM=dumb
export ZEM_BASE_PREFIX=/var/lib/zem/prefix

mount -t proc proc /proc
mount -t sysfs sysfs /sys
mountpoint -q /dev || mount -t devtmpfs devtmpfs /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs -o size=64m tmpfs /dev/shm
mount -t tmpfs -o size=1g tmpfs /tmp
mount -t tmpfs tmpfs /run
hostname zem-vm32
modprobe overlay 2>/dev/null
echo "zem-vm32: up after $(cut -d' ' -f1 /proc/uptime) s"

mkdir -p /payload
if mount -o ro /dev/vdb /payload; then
  bash /payload/run.sh
  echo "ZEM-VM32-EXIT $?"
else
  echo "zem-vm32: no payload disk"
fi
umount /payload 2>/dev/null
sync
echo o >/proc/sysrq-trigger
sleep 30
