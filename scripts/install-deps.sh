#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the window need,
# only those that are missing. Extra package names may be passed along.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev            # fuzzing and sanitizers
  clang-format clang-tidy git         # the format and naming checks
  libsqlite3-dev                      # the marks database
  libmpg123-dev libebur128-dev        # loudness: decoding and measuring; the timeline's test decoder
  locales                             # the decimal-comma locale of a number-reading test
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins libqt6multimedia6 libqt6svg6 # svg: the scalable icon
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good # MP3 playback (mpg123)
  gstreamer1.0-pulseaudio                             # and its sound output
  dbus-daemon                         # a private session bus for the media-player service's tests
  libgstreamer1.0-dev                                 # beneath Qt: the pitch kept at other speeds, the output check
  desktop-file-utils appstream man-db bash-completion file # checks of the installed tree
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
