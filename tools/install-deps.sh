#!/usr/bin/env bash
# Installs the Debian packages listed in deps/debian-packages.txt that are
# missing. Quick when everything is present: dpkg-query decides, apt-get only
# runs for what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
while read -r pkg; do
    pkg="${pkg%%#*}"; pkg="${pkg//[[:space:]]/}"
    [ -z "$pkg" ] && continue
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$pkg")
done < deps/debian-packages.txt
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
