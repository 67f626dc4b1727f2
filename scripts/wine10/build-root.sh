#!/usr/bin/env bash
# The Wine 10 platform's operating system: a Debian 13 root with Wine 10
# (mmdebstrap from this machine's own apt mirror, packages in packages.txt),
# entered by run.sh. Built once per machine and kept where every clone and
# worktree finds it: ${ZEM_WINE10_CACHE:-/var/cache/zemremove}/wine10-<hash>,
# keyed by what makes it. Roots of other recipes that no run has used for a
# day are deleted. Prints the root on its last line.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
release=trixie

# Comments are no part of the recipe.
key=$( (grep -v '^#' "$here/packages.txt"; grep -v '^ *#' "$here/build-root.sh"; echo "$release") | sha256sum | cut -c1-16)
cache="${ZEM_WINE10_CACHE:-/var/cache/zemremove}"
root="$cache/wine10-$key"
mkdir -p "$cache"
# One builder at a time per machine; the others wait and then find it ready.
exec 9>"$cache/wine10.lock"
flock 9
if [ ! -f "$root/.zem-ready" ]; then
  for old in "$cache"/wine10-*; do
    [ -d "$old" ] && [ "$old" != "$root" ] || continue
    [ -n "$(find "$old/.zem-used" -mmin -1440 2>/dev/null)" ] || rm -rf "$old"
  done
  rm -rf "$root" "$root.partial"
  started=$SECONDS
  packages=$(grep -v '^#' "$here/packages.txt" | xargs | tr ' ' ',')
  # The machine's own Debian mirror, for the next release.
  mapfile -t mirrors < <(python3 "$here/../vm32/apt_mirrors.py" bookworm | sed "s/ bookworm/ $release/")
  echo "wine10: building the Debian 13 root ($packages)" >&2
  # No fsync per file: an interrupted build is thrown away whole anyway.
  timeout 2400 mmdebstrap --mode=root --variant=apt --aptopt='APT::Install-Recommends "false"' \
    --dpkgopt=force-unsafe-io --include="$packages" \
    --customize-hook='rm -rf "$1"/var/cache/apt/archives/*.deb "$1"/var/lib/apt/lists/*_Packages' \
    "$release" "$root.partial" "${mirrors[@]}" >"$cache/wine10-$key.log" 2>&1 \
    || { tail -30 "$cache/wine10-$key.log" >&2; rm -rf "$root.partial"; exit 1; }
  mv "$root.partial" "$root"
  touch "$root/.zem-ready"
  echo "wine10: root built in $((SECONDS - started)) s: wine $(dpkg-query --admindir="$root/var/lib/dpkg" -W -f '${Version}' wine)" >&2
fi
touch "$root/.zem-used"
echo "$root"
