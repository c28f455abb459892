# Sourced by the cross-builds (build-windows.sh, build-web.sh): libraries built once from Debian's source
# packages into a cache outside the clone, one prefix per set of versions, recipe and compiler. The caller
# sets label, cache, jobs, sudo and the array sources (in build order), and defines build_library NAME DIR,
# which builds an unpacked source folder into "$prefix.tmp".

# Sets versions, key and prefix from the source packages' versions, the recipe's hash and the compiler's version.
library_prefix() {
  local recipe_hash="$1" compiler="$2" s dsc
  versions=""
  for s in "${sources[@]}"; do
    dsc="$(apt-get source --print-uris -qq "$s" | awk '$2 ~ /\.dsc$/ {print $2; exit}')"
    [ -n "$dsc" ] || { echo "$label: no source package $s found" >&2; exit 1; }
    versions+="${dsc%.dsc} "
  done
  key="$(echo "$versions $recipe_hash $compiler" | sha256sum | cut -c1-16)"
  prefix="$cache/prefix-$key"
}

# Builds the prefix unless it is complete. The variable named by $1 points the toolchain file and pkg-config
# at the libraries built so far.
build_libraries() {
  local prefix_variable="$1" start library_start s old
  [ -f "$prefix/.complete" ] && return 0
  start=$(date +%s)
  echo "$label: building the libraries (${versions% }) into $prefix"
  $sudo mkdir -p "$cache"
  [ -w "$cache" ] || $sudo chown "$(id -u):$(id -g)" "$cache"
  # Half-made prefixes of other versions go; this one's finished libraries stay, so an interrupted cold build
  # goes on where it stopped.
  for old in "$cache"/prefix-*.tmp "$cache"/src-*; do
    case "$old" in "$prefix.tmp" | "$cache/src-$key" | "$cache/prefix-*.tmp" | "$cache/src-*") ;; *) rm -rf "$old" ;; esac
  done
  mkdir -p "$prefix.tmp" "$cache/src-$key"
  export "$prefix_variable=$prefix.tmp"
  for s in "${sources[@]}"; do
    if [ -f "$prefix.tmp/.built-$s" ]; then
      echo "$label: $s (built before)"
      continue
    fi
    echo "$label: $s"
    library_start=$(date +%s)
    rm -rf "$cache/src-$key/$s"
    mkdir -p "$cache/src-$key/$s"
    (cd "$cache/src-$key/$s" && apt-get source -qq "$s" > /dev/null 2>&1) ||
      { echo "$label: apt-get source $s failed" >&2; exit 1; }
    build_library "$s" "$(find "$cache/src-$key/$s" -mindepth 1 -maxdepth 1 -type d | head -n 1)" \
      > "$cache/src-$key/$s.log" 2>&1 ||
      { tail -n 30 "$cache/src-$key/$s.log" >&2; echo "$label: building $s failed" >&2; exit 1; }
    # How long each took, and how busy the machine was, stays with the prefix.
    echo "$s $(( $(date +%s) - library_start )) s, load $(cut -d' ' -f1-3 /proc/loadavg)" >> "$prefix.tmp/.times"
    echo "$label: $s built in $(( $(date +%s) - library_start )) s"
    touch "$prefix.tmp/.built-$s"
  done
  rm -rf "$cache/src-$key" "$prefix.tmp/share/doc" "$prefix.tmp/share/man" "$prefix.tmp"/.built-*
  [ ! -f "$prefix.tmp/.times" ] || mv "$prefix.tmp/.times" "$prefix.tmp/build-times.txt"
  # The prefix moves into place only when whole; the paths written into its pkg-config, CMake and libtool
  # files move with it.
  mv "$prefix.tmp" "$prefix"
  grep -rlI --null -F "$prefix.tmp" "$prefix" | xargs -0 -r sed -i "s|$prefix\.tmp|$prefix|g"
  touch "$prefix/.complete"
  echo "$label: libraries built in $(( $(date +%s) - start )) s ($(du -sh "$prefix" | cut -f1))"
}

# Readies the build folder $1 for the prefix: one configured against another prefix would go on linking
# that one's libraries (CMake keeps what it found), so its cache is dropped and it is configured afresh.
configure_against_prefix() {
  local dir="$1"
  if [ -f "$dir/CMakeCache.txt" ] && [ "$(cat "$dir/libraries-prefix" 2>/dev/null)" != "$prefix" ]; then
    echo "$label: $dir was configured against other libraries: configuring it afresh"
    rm -f "$dir/CMakeCache.txt"
  fi
  mkdir -p "$dir"
  echo "$prefix" > "$dir/libraries-prefix"
}
