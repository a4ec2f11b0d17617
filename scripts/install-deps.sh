#!/usr/bin/env bash
# Installs what Vandor 8085 needs to build, test and run on Debian 12. Quick when all is present:
# it only asks apt-get for the packages that dpkg does not already report as installed.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libtomlplusplus-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  xvfb xauth fonts-liberation
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Instalando paquetes: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
