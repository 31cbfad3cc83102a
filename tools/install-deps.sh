#!/usr/bin/env bash
# Installs the Debian packages Pictora needs to build, run and test, and only
# those that are missing, so a second run costs a second or two.
set -euo pipefail

packages=(
  # build
  g++ make cmake ninja-build pkg-config
  # the program
  qt6-base-dev qt6-qpa-plugins qt6-image-formats-plugins qt6-translations-l10n
  libsqlite3-dev libsqlitecpp-dev fonts-liberation
  # a picture file's own fields, and place names from GPS with Italian names
  libexiv2-dev libgeonames-dev
  # colour profiles of every kind
  liblcms2-dev
  # CMYK and Lab JPEGs, decoded with their samples as stored
  libjpeg62-turbo-dev
  # colour profiles and thumbnails' texts inflated with a bound
  zlib1g-dev
  # albums in the Access format of earlier versions, read by pictora-album
  mdbtools-dev libmdb3
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev sqlite3
  # mdbtools' own readers check the tests' Access-format fixtures
  mdbtools
  # fuzz targets: clang with libFuzzer and the sanitizers' runtimes
  clang libclang-rt-14-dev
  # the Debian package (make package) and its checks (make package-test)
  dpkg-dev file lintian desktop-file-utils appstream
  # end-to-end tests: a real X server, a small window manager, input and screenshots
  xvfb xauth openbox xdotool x11-utils imagemagick libxcb1-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
