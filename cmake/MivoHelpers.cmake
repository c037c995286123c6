# Helpers shared by every CMakeLists.txt of the project.

# Warnings for the project's own code.
function(mivo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(MIVO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PRIVATE
      UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
      _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
endfunction()

# mivo_native_test(<name> SOURCES ... [LIBS ...])
# A GoogleTest program of the native build; each test case becomes a CTest test.
function(mivo_native_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  mivo_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
endfunction()

# mivo_wine_test(<name> SOURCES ... [LIBS ...] [SERVICE] [X86])
# A GoogleTest program cross-built for Windows and run under Wine. Its tests
# run one at a time (they share the Wine prefix, the registry and, with
# SERVICE, the reference meeting service started by the CTest fixture).
# X86: the program is also built and run in the x86 tree, for what can
# differ by bitness (registry views, struct layout, calling conventions,
# VARIANTs, pointer-sized values in messages); a rule is tested once, in
# the x64 tree.
function(mivo_wine_test name)
  cmake_parse_arguments(T "SERVICE;X86" "" "SOURCES;LIBS" ${ARGN})
  if(NOT MIVO_WINE_TESTS OR (MIVO_ARCH STREQUAL "x86" AND NOT T_X86))
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  mivo_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(props LABELS wine RUN_SERIAL TRUE ENVIRONMENT "MIVO_REFSERVICE_PORT=${MIVO_REFSERVICE_PORT}")
  set(fixtures)
  if(T_SERVICE)
    list(APPEND fixtures refservice)
  endif()
  if(MIVO_ARCH STREQUAL "x86")
    list(APPEND fixtures wine32)
  endif()
  if(fixtures)
    list(APPEND props FIXTURES_REQUIRED "${fixtures}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES ${props})
endfunction()

# The reference meeting service as a CTest fixture of the Wine test tree:
# started before the first test that needs it, stopped after the last one.
function(mivo_refservice_fixture)
  if(NOT MIVO_REFSERVICE)
    message(WARNING "MIVO_REFSERVICE is not set: tests that need the reference service will fail")
  endif()
  set(ctl ${CMAKE_SOURCE_DIR}/cmake/refservice-ctl.sh)
  set(state ${CMAKE_BINARY_DIR}/refservice)
  add_test(NAME refservice_start COMMAND ${ctl} start "${MIVO_REFSERVICE}" ${MIVO_REFSERVICE_PORT} ${state})
  add_test(NAME refservice_stop COMMAND ${ctl} stop "${MIVO_REFSERVICE}" ${MIVO_REFSERVICE_PORT} ${state})
  set_tests_properties(refservice_start PROPERTIES FIXTURES_SETUP refservice LABELS wine)
  set_tests_properties(refservice_stop PROPERTIES FIXTURES_CLEANUP refservice LABELS wine)
endfunction()


# The x86 tree's first test: Wine runs a 32-bit program. Every x86 Wine test
# needs it; where it fails (no wine32, or a kernel that runs no 32-bit code)
# they are not run, and the failure says why.
function(mivo_wine32_fixture)
  add_executable(wine32_probe ${PROJECT_SOURCE_DIR}/cmake/wine32_probe.c)
  add_test(NAME Wine32RunsThirtyTwoBitPrograms COMMAND wine32_probe)
  set_tests_properties(Wine32RunsThirtyTwoBitPrograms PROPERTIES
    FIXTURES_SETUP wine32 LABELS wine PASS_REGULAR_EXPRESSION "^32-bit")
endfunction()

# add_subdirectory for folders that later work fills in.
macro(mivo_subdirectories)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endmacro()

# Puts a stripped copy of a DLL into the installable folder (MIVO_DIST_DIR)
# after each build, and fails the build when that copy names a folder of the
# build machine (MIVO_BUILD_PATHS, or the source tree as seen from the build
# tree); the copy in bin/ keeps its debugging information.
function(mivo_add_to_dist target)
  set(copy ${MIVO_DIST_DIR}/$<TARGET_FILE_NAME:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MIVO_DIST_DIR}
    COMMAND ${CMAKE_STRIP} --strip-all -o ${copy} $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_COMMAND} -DFILE=${copy} "-DPATHS=${MIVO_BUILD_PATHS}"
            -DRELATIVE=${MIVO_SOURCE_FROM_BUILD}/
            -P ${PROJECT_SOURCE_DIR}/cmake/no_build_paths.cmake
    VERBATIM)
endfunction()
