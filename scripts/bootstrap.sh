#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again.
# --fuzz: also clang and its fuzzing runtime, for the libFuzzer build (see the README).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git ccache
  lld
  libgtest-dev libgmock-dev libbenchmark-dev
  libfmt-dev libcli11-dev nlohmann-json3-dev
  libusb-1.0-0-dev libhidapi-dev
  qt6-base-dev libqscintilla2-qt6-dev libxlsxwriter-dev
  xvfb xauth xdotool
  dbus at-spi2-core python3-pyatspi
  lcov
)
# Node.js and npm for the end-to-end tests of the language server and the debug adapter
# (tests/lsp_client, tests/dap_client); a Node.js from elsewhere that brings its own npm is kept.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
[ "${1:-}" = --fuzz ] && packages+=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  [ "${ZERKA_APT_UPDATED:-0}" = 1 ] || $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi

# npm section: the pinned protocol client of tests/lsp_client (package-lock.json).
npm ci --prefix "$(dirname "$0")/../tests/lsp_client" --no-audit --no-fund
# npm section: the pinned debug adapter test client of tests/dap_client (package-lock.json).
npm ci --prefix "$(dirname "$0")/../tests/dap_client" --no-audit --no-fund
# npm section: the VS Code extension's language client and its packager @vscode/vsce
# (editors/vscode/package-lock.json), for the vscode_package test.
npm ci --prefix "$(dirname "$0")/../editors/vscode" --no-audit --no-fund
