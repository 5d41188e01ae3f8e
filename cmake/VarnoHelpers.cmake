# Shared build settings and helpers for every folder.

function(varno_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# A core library: QtCore/QtGui only, never widgets.
function(varno_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  varno_warnings(${name})
endfunction()

# Windows of one folder: a static library linked into the program and the
# window tests. LIBS are its real dependencies: a small program links the whole
# library with them alone, so a dependency left undeclared fails to link.
function(varno_forms_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} Qt6::Widgets Qt6::PrintSupport)
  varno_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY VARNO_FORMS_LIBRARIES ${name})
  add_executable(${name}_link_check ${PROJECT_SOURCE_DIR}/cmake/LinkCheck.cpp)
  target_link_libraries(${name}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
endfunction()

find_package(GTest REQUIRED)
include(GoogleTest)

# A GoogleTest program for the core.
function(varno_core_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE VARNO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  varno_warnings(${name})
  # One CTest test per case, so a failure names its case; listed when the tests run.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600 ENVIRONMENT QT_QPA_PLATFORM=offscreen ENVIRONMENT_MODIFICATION LC_ALL=set:C.UTF-8)
endfunction()

# A Qt Test program for windows, run headless.
function(varno_gui_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  get_property(forms GLOBAL PROPERTY VARNO_FORMS_LIBRARIES)
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/FakeUiServices.h
    ${PROJECT_SOURCE_DIR}/tests/support/FindWidget.h)
  target_link_libraries(${name} PRIVATE varno_app_windows ${ARG_LIBS} Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE VARNO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  varno_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# Golden-file tests of varno-batch: the whole stdout of a command, run in the
# source folder on files of examples/ or tests/data/, equals tests/golden/NAME.
#   varno_batch_test(NAME [GOLDEN | GOLDEN_FILE file] [EXIT code] [STDOUT regex] [STDERR regex]
#                    ARGS arg...)
function(varno_batch_test name)
  cmake_parse_arguments(ARG "GOLDEN" "GOLDEN_FILE;EXIT;STDOUT;STDERR" "ARGS" ${ARGN})
  if(NOT DEFINED ARG_EXIT)
    set(ARG_EXIT 0)
  endif()
  string(REPLACE ";" "|" args "${ARG_ARGS}")
  set(defs -DEXE=$<TARGET_FILE:varno-batch> -DWORKDIR=${PROJECT_SOURCE_DIR} "-DARGS=${args}"
    -DEXIT=${ARG_EXIT})
  if(ARG_GOLDEN)
    list(APPEND defs -DGOLDEN=${PROJECT_SOURCE_DIR}/tests/golden/${name}.txt)
  elseif(DEFINED ARG_GOLDEN_FILE)
    list(APPEND defs -DGOLDEN=${PROJECT_SOURCE_DIR}/tests/golden/${ARG_GOLDEN_FILE})
  endif()
  if(DEFINED ARG_STDOUT)
    list(APPEND defs "-DSTDOUT_REGEX=${ARG_STDOUT}")
  endif()
  if(DEFINED ARG_STDERR)
    list(APPEND defs "-DSTDERR_REGEX=${ARG_STDERR}")
  endif()
  add_test(NAME batch_${name} COMMAND ${CMAKE_COMMAND} ${defs} -P ${PROJECT_SOURCE_DIR}/tests/cli/RunBatch.cmake)
  set_tests_properties(batch_${name} PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()
