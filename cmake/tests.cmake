# Unit tests: one GoogleTest suite, built on the host (with the sanitizers) and as Windows PE
# (the 32-bit product's compiler and flags in win32, the x86_64 twin's in win64), run by ctest
# under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
include(GoogleTest)

if(BRISVANE_FLAVOUR STREQUAL "host")
  find_package(GTest REQUIRED)
  add_executable(unit_tests ${BRISVANE_UNIT_TESTS} ${BRISVANE_HOST_ONLY_TESTS} ${BRISVANE_TEST_SUPPORT_SOURCES})
  target_link_libraries(unit_tests PRIVATE brisvane_program GTest::gtest_main)
  target_compile_options(unit_tests PRIVATE ${BRISVANE_WARNINGS})
  gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
  return()
endif()

# Windows builds: GoogleTest from Debian's sources, the program library with its test hooks, and
# a Wine session (prefix under the build folder, headless X server) around every test.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

brisvane_program_library(brisvane_program_testable ON OFF)
add_executable(unit_tests ${BRISVANE_UNIT_TESTS} ${BRISVANE_WINDOWS_UNIT_TESTS} ${BRISVANE_TEST_SUPPORT_SOURCES}
               resources/setup.rc uninstall/strings.rc)
target_link_libraries(unit_tests PRIVATE brisvane_program_testable gtest gtest_main)
target_compile_options(unit_tests PRIVATE ${BRISVANE_WARNINGS})
target_link_options(unit_tests PRIVATE -static -static-libgcc -static-libstdc++)

# brisvane_wine_state(DIR ARCH): a Wine session's state folder and how its prefix is made and
# its programs started (tests/wine/wine-env reads session.conf): ARCH win64 is a 64-bit prefix,
# where the 32-bit program runs under WoW64 as on 64-bit Windows; win32 a purely 32-bit one. The
# x86_64 twin is started by the 64-bit loader itself, so that it runs the same way whether or
# not 32-bit Wine is installed.
function(brisvane_wine_state dir arch)
  if(BRISVANE_FLAVOUR STREQUAL "win64")
    set(loader wine64)
  else()
    set(loader wine)
  endif()
  file(MAKE_DIRECTORY ${dir})
  file(CONFIGURE OUTPUT ${dir}/session.conf CONTENT "arch=${arch}\nloader=${loader}\n")
endfunction()

set(BRISVANE_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
brisvane_wine_state(${BRISVANE_WINE_STATE} win64)
configure_file(tests/wine/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set_target_properties(unit_tests PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

add_test(NAME wine_session_start COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/wine-session start ${BRISVANE_WINE_STATE})
add_test(NAME wine_session_stop COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/wine-session stop ${BRISVANE_WINE_STATE})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

# The unit tests share one prefix: its drive C folder (C:\bvtest) and its registry. They take
# turns (ctest -j runs them beside tests of other prefixes, never beside each other).
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_unit_prefix)
include(tests/wine/nonroot.cmake)

# The end-to-end tier: the pages driven from another process, with screenshots.
include(tests/e2e/sources.cmake)
