#!/usr/bin/env bash
# Makes sure apt can fetch Debian's source packages (apt-get source) from the
# mirrors the machine's binary packages come from, security updates included:
# the Windows builds of Qt and FFmpeg are built from the same sources as the
# Linux packages. Adds a deb-src entry and updates the index only when missing.
set -euo pipefail
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }
has_sources() { apt-get indextargets --format '$(CREATED_BY) $(RELEASE)' 2>/dev/null | grep -qx "Sources $1"; }
if has_sources bookworm && has_sources bookworm-security; then
  exit 0
fi
uris=$(grep -h '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' || true)
if [ -z "$uris" ]; then
  uris=$(grep -h '^deb ' /etc/apt/sources.list 2>/dev/null | awk '{print $2}' || true)
fi
mirror=$(grep -v security <<<"$uris" | grep debian | head -1 || true)
security=$(grep security <<<"$uris" | head -1 || true)
stanza() { # uri suites
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' "$1" "$2"
}
{
  stanza "${mirror:-http://deb.debian.org/debian}" "bookworm bookworm-updates"
  echo
  stanza "${security:-http://security.debian.org/debian-security}" "bookworm-security"
} | $SUDO tee /etc/apt/sources.list.d/movarin-deb-src.sources >/dev/null
apt_get update -qq
