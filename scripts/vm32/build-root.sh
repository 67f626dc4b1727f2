#!/usr/bin/env bash
# The emulated machine's operating system, once per build tree: a Debian root
# with 32-bit Wine (mmdebstrap from this machine's own apt sources, packages
# in guest-packages.txt) and guest-init.sh as its init, packed into an ext4
# image. Cached in $ZEM_BUILD_DIR/vm32/root-<hash> (root.img, vmlinuz,
# initrd.img), keyed by what makes it; older roots are deleted. Prints the
# folder on its last line.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../wine-env.sh"
release=bookworm

key=$( (cat "$here/guest-packages.txt" "$here/guest-init.sh" "$here/build-root.sh" "$here/apt_mirrors.py"
        echo "$release") | sha256sum | cut -c1-16)
cache="$ZEM_BUILD_DIR/vm32"
out="$cache/root-$key"
if [ -f "$out/ready" ]; then
  echo "$out"
  exit 0
fi
mkdir -p "$cache"
for old in "$cache"/root-*; do
  [ -e "$old" ] && [ "$old" != "$out" ] && rm -rf "$old"
done
rm -rf "$out"
mkdir -p "$out"
root="$out/root"
started=$SECONDS

packages=$(grep -v '^#' "$here/guest-packages.txt" | xargs | tr ' ' ',')
mapfile -t mirrors < <(python3 "$here/apt_mirrors.py" "$release")
echo "vm32: building the guest's root ($packages)" >&2
build_root_tree() {
  # A failed run may leave its /proc, /sys or /dev mounts behind: never
  # delete through them.
  if grep -q " $root/" /proc/mounts; then
    echo "vm32: something is still mounted below $root; not deleting it" >&2
    return 1
  fi
  rm -rf "$root"
  timeout 2400 nice -n 15 mmdebstrap --mode=root --variant=minbase --arch=amd64,i386 \
    --aptopt='APT::Install-Recommends "false"' --include="$packages" \
    --customize-hook='rm -rf "$1"/var/cache/apt/archives/*.deb "$1"/var/lib/apt/lists/*_Packages' \
    "$release" "$root" "$@" >"$out/mmdebstrap.log" 2>&1
}
# A mirror caught in the middle of a sync serves an index that does not match
# its Release file ("File has unexpected size"); the security suite's i386
# index has been seen so for days. The guest is a throwaway test machine: it
# is then built from the release and its updates alone.
if ! build_root_tree "${mirrors[@]}"; then
  tail -5 "$out/mmdebstrap.log" >&2
  mapfile -t mirrors < <(printf '%s\n' "${mirrors[@]}" | grep -v -- "-security ")
  echo "vm32: building the guest's root again without the security suite" >&2
  build_root_tree "${mirrors[@]}" || { tail -30 "$out/mmdebstrap.log" >&2; exit 1; }
fi
echo "vm32: root built in $((SECONDS - started)) s" >&2

install -m 755 "$here/guest-init.sh" "$root/usr/local/sbin/zem-vm32-init"
echo zem-vm32 >"$root/etc/hostname"
cp "$(ls "$root"/boot/vmlinuz-* | tail -1)" "$out/vmlinuz"
cp "$(ls "$root"/boot/initrd.img-* | tail -1)" "$out/initrd.img"
chmod 644 "$out/vmlinuz" "$out/initrd.img"
timeout 900 nice -n 15 mke2fs -q -t ext4 -L zemroot -d "$root" "$out/root.img" 6G
rm -rf "$root"
touch "$out/ready"
echo "vm32: root image packed after $((SECONDS - started)) s" >&2
echo "$out"
