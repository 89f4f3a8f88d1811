#!/usr/bin/env bash
# A second compiler over every source file: clang, syntax only, for the same
# Windows target, against the same mingw-w64 headers, definitions and include
# folders as the build. It catches GCC-only code before an MSVC build would.
#   cmake/clang-syntax-check.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-2}

# Clang does not find the "-posix" flavour of the mingw-w64 C++ headers by
# itself; take the folders from the cross compiler the build uses.
mapfile -t cxx_dirs < <(echo | x86_64-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 |
  sed -n '/#include <...> search starts here/,/End of search/p' | grep '/include/c++')
flags=(--target=x86_64-w64-mingw32 -fsyntax-only -std=c++20 -Wall -Wextra -Werror
       -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX
       -D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00 -DNTDDI_VERSION=0x0A000006
       -Isrc -Iresources -Isim -Isim/common -Isim/fixtures -Isim/regf -Isim/devices -Itests -Itests/support -I.
       -isystem /usr/src/googletest/googletest/include -isystem /usr/src/googletest/googlemock/include)
for dir in "${cxx_dirs[@]}"; do flags+=(-isystem "$dir"); done

export CLANG_FLAGS="${flags[*]}"
mapfile -t sources < <(git ls-files 'src/*.cpp' 'sim/*.cpp' 'bench/*.cpp' 'tests/*.cpp')
echo "clang-syntax-check: ${#sources[@]} files"
printf '%s\n' "${sources[@]}" |
  xargs -P "$jobs" -I{} sh -c 'clang++ $CLANG_FLAGS "$1" || { echo "clang-syntax-check: $1 rejected" >&2; exit 255; }' _ {}
echo "clang-syntax-check: no errors"
