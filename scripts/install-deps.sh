#!/usr/bin/env bash
# Installs the Debian packages Quill Bay is built, tested and run with, where missing.
set -euo pipefail
# The build and the tests, the fuzz targets (clang-14 and its libFuzzer and sanitizer
# runtimes), clang-tidy, then what tools/controls-screenshot.sh runs: Xvfb (xvfb, xauth), xdpyinfo
# (x11-utils) and import (imagemagick); tools/make_app_icon compresses with zlib.
packages=(cmake ninja-build g++ libgtest-dev nlohmann-json3-dev mingw-w64 wine wine64
          clang-14 libclang-rt-14-dev clang-tidy-14 xvfb xauth x11-utils imagemagick zlib1g-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
