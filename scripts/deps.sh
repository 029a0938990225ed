#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
# The window's end-to-end tests drive a real X server (Xvfb, with a window
# manager and a tray) through the accessibility bus and the X input; a few
# look at the screen's pixels (ImageMagick's import).
packages=(build-essential cmake ninja-build qt6-base-dev libgtest-dev python3 curl lftp iproute2
          xvfb xauth xdotool xclip x11-utils twm openbox trayer dbus-x11 at-spi2-core python3-pyatspi imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
