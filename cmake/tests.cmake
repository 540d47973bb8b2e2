# Unit tests: one GoogleTest suite, built on the host (with the sanitizers) and as x86_64 PE
# (run by ctest under Wine through CMAKE_CROSSCOMPILING_EMULATOR).
include(GoogleTest)

if(BRISVANE_FLAVOUR STREQUAL "host")
  find_package(GTest REQUIRED)
  add_executable(unit_tests ${BRISVANE_UNIT_TESTS} ${BRISVANE_HOST_ONLY_TESTS} ${BRISVANE_TEST_SUPPORT_SOURCES})
  target_link_libraries(unit_tests PRIVATE brisvane_program GTest::gtest_main)
  target_compile_options(unit_tests PRIVATE ${BRISVANE_WARNINGS})
  gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
  return()
endif()

# win64: GoogleTest from Debian's sources, the program library with its test hooks, and a
# Wine session (prefix under the build folder, headless X server) around every test.
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

set(BRISVANE_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
configure_file(tests/wine/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set_target_properties(unit_tests PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

add_test(NAME wine_session_start COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/wine-session start ${BRISVANE_WINE_STATE})
add_test(NAME wine_session_stop COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/wine-session stop ${BRISVANE_WINE_STATE})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES FIXTURES_REQUIRED wine)
include(tests/wine/nonroot.cmake)

# The end-to-end tier: the pages driven from another process, with screenshots.
include(tests/e2e/sources.cmake)
