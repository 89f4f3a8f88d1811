#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; does
# nothing when they are all present.
set -euo pipefail
packages=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 googletest
          wine wine64 xvfb xauth x11-utils imagemagick 7zip libhivex-bin libwin-hivex-perl libgtest-dev clang libclang-rt-14-dev python3
          fonts-wine fonts-wqy-microhei fonts-tlwg-loma-ttf)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# npm fetches the Windows 7-Zip the tests run (cmake/Fetch7Zip.cmake); a Node.js
# from elsewhere brings its own npm, so Debian's is installed only when none is there.
command -v npm >/dev/null || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0
echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
