#!/usr/bin/env bash
# Installs the Debian packages the build (and, with --test, the test suite)
# needs; packages already present are left alone, so a ready machine pays
# nothing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config zlib1g-dev libdeflate-dev qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev
          libbz2-dev liblzma-dev libzstd-dev libssl-dev libisal-dev libarchive-dev librsvg2-bin)
if [[ "${1:-}" == "--test" ]]; then
  # GoogleTest, the peers the interoperability tests drive, the makers of
  # the other formats read through libarchive (ar, cpio, ISO images, the
  # compressors), a display and an icon theme for the window checks, time
  # zones for the time checks, clang for the fuzzers, and the validators of
  # the installed desktop files, manual pages, shell completion and Debian
  # package.
  packages+=(libgtest-dev zip unzip 7zip libarchive-tools zstd xz-utils python3 openjdk-17-jdk-headless
             binutils cpio xorriso genisoimage lz4 lzip bzip2 gzip
             xvfb xauth adwaita-icon-theme tzdata clang libclang-rt-14-dev
             desktop-file-utils appstream man-db groff bash-completion dpkg-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
