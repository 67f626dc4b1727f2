#!/usr/bin/env bash
# The emulated test machine for the 32-bit program, once per build tree: a copy
# of the root image (build-root.sh) booted once with guest-prepare.sh, which
# creates and settles its Wine prefix. Cached in
# $ZEM_BUILD_DIR/vm32/guest-<hash> (base.img and the root's kernel), keyed by
# the root and the scripts; older guests are deleted. Prints the folder on its
# last line.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../wine-env.sh"

root=$(bash "$here/build-root.sh" | tail -1)
key=$( (basename "$root"; cat "$here/build-guest.sh" "$here/guest-prepare.sh") | sha256sum | cut -c1-16)
cache="$ZEM_BUILD_DIR/vm32"
guest="$cache/guest-$key"
if [ -f "$guest/ready" ]; then
  echo "$guest"
  exit 0
fi
for old in "$cache"/guest-*; do
  [ -e "$old" ] && [ "$old" != "$guest" ] && rm -rf "$old"
done
rm -rf "$guest"
mkdir -p "$guest/payload"
started=$SECONDS
cp --sparse=always "$root/root.img" "$guest/base.img"
cp "$root/vmlinuz" "$root/initrd.img" "$guest/"
cp "$here/guest-prepare.sh" "$guest/payload/run.sh"
mke2fs -q -t ext4 -d "$guest/payload" "$guest/prepare.img" 8M

# The one boot without -snapshot: it writes the prefix into base.img.
ZEM_VM32_TIMEOUT=1500 bash "$here/run-guest.sh" --write "$guest" "$guest/prepare.img" >"$guest/prepare.log" 2>&1 \
  || { tail -30 "$guest/prepare.log" >&2; exit 1; }
grep -q '^ZEM-VM32-PREPARED' "$guest/prepare.log" || { tail -30 "$guest/prepare.log" >&2; exit 1; }
rm -rf "$guest/payload" "$guest/prepare.img"
touch "$guest/ready"
echo "vm32: guest prepared in $((SECONDS - started)) s ($(grep -o 'prefix ready in [0-9]* s' "$guest/prepare.log"))" >&2
echo "$guest"
