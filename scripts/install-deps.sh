#!/usr/bin/env bash
# Installs the Debian packages Corvane needs to build, test and run.
# Only what dpkg reports missing is installed, from Debian's archive only.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 xdg-utils xvfb xauth
  clang-14 libclang-rt-14-dev clang-format
  desktop-file-utils appstream librsvg2-bin dpkg-dev man-db
  libxml2-utils  # xmllint, which the report tests parse the report with
  libnetcdf-dev netcdf-bin  # the converter's NetCDF reader; ncgen makes its test files
  chromium poppler-utils  # the report's print test prints it to PDF and reads the text back
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo_cmd=(sudo)
  else
    echo "error: packages missing (${missing[*]}) and not root; no sudo available" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
