#!/usr/bin/env bash
# run.sh COMMAND [ARGS...]: COMMAND (wine, wine64, wineserver, ...) run inside
# the Wine 10 root (build-root.sh, found in ZEM_WINE10_ROOT) with this
# process's environment, in a mount namespace of its own that ends with it.
# Every path a run shares with the host is bind-mounted at the same path:
# /tmp (the display's socket, and the wineservers' sockets, so that every
# process of one prefix meets the same wineserver whichever namespace started
# it), /dev (with /dev/shm), the source and build trees (programs, prefixes,
# the ODBC registration and the stand-in SQL server's state) and, when they
# lie elsewhere, the prefix and the ODBC files. The same set every time: the
# wineserver opens files for its clients in its own namespace.
set -euo pipefail
root="${ZEM_WINE10_ROOT:?run.sh needs ZEM_WINE10_ROOT (scripts/wine10/build-root.sh)}"
[ -f "$root/.zem-ready" ] || { echo "run.sh: $root is no Wine 10 root" >&2; exit 125; }

shared=(/tmp "${ZEM_SOURCE_DIR:-}" "${ZEM_BUILD_DIR:-}" "${WINEPREFIX:-}"
        "${ODBCSYSINI:-}" "$(dirname "${ODBCINI:-/}")" "$(dirname "${ZEM_STANDIN_STATE:-/}")")
binds=()
for path in "${shared[@]}"; do
  [ -n "$path" ] && [ "$path" != / ] && [ -d "$path" ] || continue
  path=$(realpath "$path")
  covered=""
  for bound in "${binds[@]}"; do
    case "$path/" in "$bound"/*) covered=1 ;; esac
  done
  [ -n "$covered" ] || binds+=("$path")
done

# The loader and server are the root's own; the host's settings for them
# would send Wine 10 back out to the host's Wine.
exec unshare --mount --propagation private -- /bin/bash -c '
  set -e
  root=$1; shift
  count=$1; shift
  mount -t proc proc "$root/proc"
  mount --rbind /sys "$root/sys"
  mount --rbind /dev "$root/dev"
  while [ "$count" -gt 0 ]; do
    mkdir -p "$root$1"
    mount --rbind "$1" "$root$1"
    shift; count=$((count - 1))
  done
  exec chroot "$root" /usr/bin/env -u WINESERVER -u LD_LIBRARY_PATH -u LD_PRELOAD -u "BASH_FUNC_wine%%" \
    WINELOADER=/usr/lib/wine/wine64 PATH=/usr/local/bin:/usr/bin:/bin sh -c "cd \"\$1\" 2>/dev/null || cd /; shift; exec \"\$@\"" \
    cd "$PWD" "$@"
' run.sh "$root" "${#binds[@]}" "${binds[@]}" "$@"
