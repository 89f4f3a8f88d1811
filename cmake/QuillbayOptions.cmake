# Compiler settings shared by every target of ours (not by third-party code).
add_library(qb_options INTERFACE)
target_compile_definitions(qb_options INTERFACE
  UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00 NTDDI_VERSION=0x0A000006)
if(MSVC)
  target_compile_options(qb_options INTERFACE /W4 /WX /utf-8 /permissive- /EHsc)
else()
  target_compile_options(qb_options INTERFACE -Wall -Wextra -Werror -municode)
endif()
target_include_directories(qb_options INTERFACE ${PROJECT_SOURCE_DIR}/resources)

# Every executable and DLL must import only Windows system DLLs.
function(qb_static_runtime target)
  if(NOT MSVC)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  else()
    set_property(TARGET ${target} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  endif()
endfunction()

# One static library per subsystem folder; sources are the .cpp files of the
# folder and its rooms, except a program's entry point.
function(qb_subsystem_library name folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT sources)
    # A subsystem with no code yet still takes part in the link graph.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE qb_options)
    return()
  endif()
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${folder}/*.h)
  add_library(${name} STATIC ${sources} ${headers})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC qb_options)
  if(MSVC)
    set_property(TARGET ${name} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  endif()
endfunction()

# Programs whose entry point is wmain/wWinMain.
function(qb_wide_entry target)
  if(NOT MSVC)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

# Links a subsystem library to others, whether it has code yet or not.
function(qb_subsystem_link name)
  get_target_property(type ${name} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()
