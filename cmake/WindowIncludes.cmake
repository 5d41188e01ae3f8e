# Fails when a window includes another window's header: windows ask through
# signals, and TFrmMain::ConnectWindows (app/) joins them. Window headers are
# the *Form.h files and the tree graphic window's TreeGrafik.h and
# GrfExport.h. The one child a window may own is listed in Allowed below.
#   cmake -DSOURCE_DIR=... -P cmake/WindowIncludes.cmake
cmake_minimum_required(VERSION 3.25)
set(Allowed
  # The export dialog belongs to the tree picture it exports.
  "graphics/TreeGrafik.cpp>graphics/GrfExport.h")

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/data/*.cpp ${SOURCE_DIR}/data/*.h
  ${SOURCE_DIR}/parsimony/*.cpp ${SOURCE_DIR}/parsimony/*.h
  ${SOURCE_DIR}/analyses/*.cpp ${SOURCE_DIR}/analyses/*.h
  ${SOURCE_DIR}/graphics/*.cpp ${SOURCE_DIR}/graphics/*.h)
set(faults "")
foreach(source ${sources})
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[^\"]+\"")
  get_filename_component(own ${source} NAME_WE)
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    get_filename_component(name ${header} NAME_WE)
    if(name STREQUAL own)
      continue()
    endif()
    if(NOT (name MATCHES "Form$" OR name STREQUAL "TreeGrafik" OR name STREQUAL "GrfExport"))
      continue()
    endif()
    if("${source}>${header}" IN_LIST Allowed)
      continue()
    endif()
    string(APPEND faults "\n  ${source} includes the window header ${header}")
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Windows must not include each other (emit a signal and wire it in "
                      "TFrmMain::ConnectWindows):${faults}")
endif()
