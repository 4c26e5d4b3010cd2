#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Works as root or through sudo; safe to run again.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6serialport6 qt6-qpa-plugins
  libgl1-mesa-dev libxkbcommon-dev
  libyaml-cpp-dev
  googletest libgtest-dev libgmock-dev
  clang libclang-rt-dev llvm
  xvfb xauth desktop-file-utils
  clang-format clang-tidy
  dpkg-dev file ccache lld
  libsqlite3-dev libpq-dev libssl-dev postgresql
  locales python3
  poppler-utils
)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The tests read numbers under a comma-decimal locale too.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
