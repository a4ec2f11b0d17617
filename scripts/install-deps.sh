#!/usr/bin/env bash
# Installs what Vandor 8085 needs to build, test and run on Debian 12. Quick when all is present:
# it only asks apt-get for the packages that dpkg does not already report as installed.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libtomlplusplus-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  xvfb xauth fonts-liberation desktop-file-utils
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Faltan paquetes: ${missing[*]}" >&2
    echo "No es root y no hay sudo para instalarlos. Instálelos como root con:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
  as_root=(sudo)
fi

echo "Instalando paquetes: ${missing[*]}"
# Given on the command line so that it also reaches apt-get through sudo, which resets the environment.
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
