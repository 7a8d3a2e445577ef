#!/usr/bin/env bash
# Installs the Debian 12 packages Velquist needs to build, run and test, and nothing
# when they are all there.
set -euo pipefail

VQ_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libtag1-dev libxxhash-dev libcli11-dev
  fonts-ipafont-gothic xvfb xauth x11-utils openbox
  dpkg-dev file appstream desktop-file-utils procps
  dosfstools fusefat mtools
  libmecab-dev mecab-ipadic-utf8 mecab-naist-jdic unidic-mecab
  python3-mutagen
)

vq_setup() {
  local missing=()
  for p in "${VQ_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# Configures and builds into $1 with extra cmake arguments.
vq_build() {
  local dir=$1; shift
  local launcher=()
  # A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$VQ_ROOT" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
