#!/usr/bin/env bash
# Installs the Debian packages the project builds with, when any is missing.
# Does nothing when everything is there. With --fuzz, also clang and its libFuzzer
# runtime for the fuzz build (docs/fuzzing.md).
# kicad brings the pcbnew Python module (for /usr/bin/python3) that the KiCad
# plugin's tests load boards with: about 40 packages, some 1.5 minutes of
# apt-get; xvfb and xauth let the plugin's windows open without a display.
# libcpp-httplib-dev serves the browser view; chromium, chromium-driver and
# python3-selenium run its tests in a headless browser.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev
          libboost-dev nlohmann-json3-dev libcli11-dev
          libcpp-httplib-dev
          chromium chromium-driver python3-selenium
          kicad xvfb xauth)
if [[ "${1:-}" == "--fuzz" ]]; then
  packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi
echo "setup: installing ${missing[*]}" >&2
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
