#!/usr/bin/env bash
# Installs every Debian package needed to build, test and run Scenewright.
# Safe to run again: apt-get install skips what is already there.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config git clang-format
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libxml2-dev libxml2-utils
  libpng-dev libjpeg62-turbo-dev zlib1g-dev
  uuid-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic
  xvfb xauth
  file desktop-file-utils shared-mime-info
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${packages[@]}"
