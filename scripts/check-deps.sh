#!/usr/bin/env bash
# Fails when the build used a system file whose Debian package the install
# step (scripts/install-deps.sh) does not bring in, directly or through the
# packages it names: on a fresh machine that build would not configure or
# compile.
#
#   scripts/check-deps.sh [BUILD_DIR]        (default: build)
#
# The files: every header the objects were compiled against (the dependency
# log of ninja) and every CMake file the configure read (the inputs of
# build.ninja's re-run rule). Files inside the source or build tree are the
# project's own. The packages: MOUSE_DEPS_PACKAGES (names separated by white
# space) when set, otherwise `scripts/install-deps.sh --list`, and everything
# they depend on (Depends and Pre-Depends, recursively).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
[ -f "$build/build.ninja" ] || {
  echo "check-deps: $build has no build.ninja (configure with -G Ninja first)" >&2
  exit 2
}

if [ -n "${MOUSE_DEPS_PACKAGES+set}" ]; then
  mapfile -t wanted < <(tr -s ' \t' '\n\n' <<<"$MOUSE_DEPS_PACKAGES" | grep . || true)
else
  mapfile -t wanted < <("$root/scripts/install-deps.sh" --list)
fi
[ ${#wanted[@]} -gt 0 ] || { echo "check-deps: empty package list" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 1. The system files the build read, as absolute paths, once each.
{
  ninja -C "$build" -t deps | awk '/^    /{print $1}'
  grep '^build build.ninja: RERUN_CMAKE' "$build/build.ninja" |
    sed 's/.*RERUN_CMAKE[^|]*|//' | tr ' ' '\n'
} | awk -v b="$build" 'NF{ print (substr($0, 1, 1) == "/" ? $0 : b "/" $0) }' |
  { grep -v -e "^$root/" -e "^$build/" || true; } | sort -u >"$work/files"
if [ ! -s "$work/files" ]; then
  echo "check-deps: no system files found in $build (nothing built yet?)" >&2
  exit 2
fi

# 2. Their packages. A path dpkg does not know is tried again with its
# symbolic links resolved (/lib and /usr/lib are one folder on this system).
owners() {  # file list on stdin; prints "package path" lines
  { xargs -r dpkg-query -S 2>/dev/null || true; } |
    awk '!/^diversion/ {
      i = index($0, ": /"); path = substr($0, i + 2)
      n = split(substr($0, 1, i - 1), pkgs, ", ")
      for (k = 1; k <= n; ++k) { sub(/:.*/, "", pkgs[k]); print pkgs[k], path }
    }'
}
owners <"$work/files" >"$work/owned"
awk '{print $2}' "$work/owned" | sort -u >"$work/owned-files"
comm -23 "$work/files" "$work/owned-files" >"$work/unowned"
: >"$work/unknown"
while read -r f; do
  real=$(realpath -e "$f" 2>/dev/null || true)
  alt=$real
  case "$real" in
    /usr/lib/*) alt=${real#/usr} ;;
    /lib/*) alt=/usr$real ;;
  esac
  found=""
  [ -z "$real" ] || found=$(printf '%s\n%s\n' "$real" "$alt" | sort -u | owners | awk '{print $1}' | sort -u)
  if [ -z "$found" ]; then
    echo "$f" >>"$work/unknown"
  else
    for p in $found; do echo "$p $f"; done >>"$work/owned"
  fi
done <"$work/unowned"

# 3. The packages the install step brings in.
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${wanted[@]}" | grep -v '^ ' | tr -d '<>' | sort -u >"$work/closure"

# A file is covered when one of its owners is in the closure.
awk 'NR == FNR { ok[$1] = 1; next }
     { owners[$2] = owners[$2] (owners[$2] == "" ? "" : " ") $1; if ($1 in ok) covered[$2] = 1 }
     END { for (f in owners) if (!(f in covered)) print owners[f], f }' \
  "$work/closure" "$work/owned" | sort >"$work/missing"

status=0
if [ -s "$work/missing" ]; then
  status=1
  echo "check-deps: the build used files of packages that scripts/install-deps.sh does not install:"
  awk '{ pkg = $1; for (i = 2; i < NF; ++i) pkg = pkg " or " $i
         if (!(pkg in n)) { order[++k] = pkg; first[pkg] = $NF }
         ++n[pkg] }
       END { for (i = 1; i <= k; ++i)
               printf "  %s (%d file(s), e.g. %s)\n", order[i], n[order[i]], first[order[i]] }' \
    "$work/missing"
fi
if [ -s "$work/unknown" ]; then
  status=1
  echo "check-deps: the build used files that no package installed:"
  sed 's/^/  /' "$work/unknown"
fi
if [ $status = 0 ]; then
  echo "check-deps: $(wc -l <"$work/files") system files from" \
    "$(awk '{print $1}' "$work/owned" | sort -u | wc -l) packages, all installed by scripts/install-deps.sh"
fi
exit $status
