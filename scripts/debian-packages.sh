# Sourced by the cross-builds (build-windows.sh, build-web.sh): Debian's source entries and the packages a
# build needs. Expects $sudo ("" as root, else "sudo").

apt_updated=0

# Debian's own sources, from the same mirror as the binary packages.
use_debian_sources() {
  grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/ && return 0
  local mirror suites
  mirror="$(grep -rhs '^URIs:' /etc/apt/sources.list.d/debian.sources | awk '{print $2; exit}')"
  suites="$(grep -rhs '^Suites:' /etc/apt/sources.list.d/debian.sources | head -n 1 | cut -d' ' -f2-)"
  if [ -z "$mirror" ]; then
    mirror="$(awk '$1 == "deb" {print $2; exit}' /etc/apt/sources.list)"
    suites="$(awk '$1 == "deb" {print $3; exit}' /etc/apt/sources.list)"
  fi
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' "$mirror" "$suites" \
    /usr/share/keyrings/debian-archive-keyring.gpg | $sudo tee /etc/apt/sources.list.d/korvale-deb-src.sources > /dev/null
  $sudo apt-get update -qq
  apt_updated=1
}

# Installs those of the named packages that are missing.
install_packages() {
  local p missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  [ "$apt_updated" = 1 ] || $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
}
