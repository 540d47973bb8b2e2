# End-to-end tests of the pages under Wine and Xvfb (the Windows builds: win32, the product,
# where the machine runs 32-bit programs; win64, the twin, elsewhere): a test host that shows the
# pages the way start-up would, a driver that works them from another process, and one ctest
# per scenario in a fresh Wine prefix of their own (64-bit, so that the 32-bit program runs
# under WoW64 as most users' Windows runs it). Screenshots land in the build's screens/ folder.
add_executable(e2e_driver tests/e2e/driver.cpp)
target_compile_options(e2e_driver PRIVATE ${BRISVANE_WARNINGS})
target_link_options(e2e_driver PRIVATE -static -static-libgcc -static-libstdc++)

add_executable(page_host WIN32 tests/e2e/page_host.cpp resources/setup.rc)
target_compile_options(page_host PRIVATE ${BRISVANE_WARNINGS})
target_link_libraries(page_host PRIVATE brisvane_program version)
target_link_options(page_host PRIVATE -static -static-libgcc -static-libstdc++)

set(BRISVANE_E2E_STATE ${CMAKE_BINARY_DIR}/e2e-wine)
brisvane_wine_state(${BRISVANE_E2E_STATE} win64)
set(BRISVANE_E2E ${PROJECT_SOURCE_DIR}/tests/e2e)
add_test(NAME e2e_session_start COMMAND ${BRISVANE_E2E}/e2e-session start ${BRISVANE_E2E_STATE})
add_test(NAME e2e_session_stop COMMAND ${BRISVANE_E2E}/e2e-session stop ${BRISVANE_E2E_STATE})
set_tests_properties(e2e_session_start PROPERTIES FIXTURES_SETUP e2e RESOURCE_LOCK e2e_display)
set_tests_properties(e2e_session_stop PROPERTIES FIXTURES_CLEANUP e2e RESOURCE_LOCK e2e_display)

# One test per driver script in tests/e2e/scenarios/: each names the page host's arguments and
# the exit code it expects in a line "# e2e: page_host ARGS... exits CODE". A script without
# that line is an error, not a scenario left out.
file(GLOB BRISVANE_PAGE_SCENARIOS CONFIGURE_DEPENDS ${BRISVANE_E2E}/scenarios/*.txt)
foreach(script IN LISTS BRISVANE_PAGE_SCENARIOS)
  get_filename_component(name ${script} NAME_WE)
  file(STRINGS ${script} run REGEX "^# e2e: page_host ")
  if(NOT run MATCHES "^# e2e: page_host (.+) exits ([0-9]+)$")
    message(FATAL_ERROR "${script}: no line \"# e2e: page_host ARGS... exits CODE\"")
  endif()
  set(expected ${CMAKE_MATCH_2})
  separate_arguments(host_args UNIX_COMMAND "${CMAKE_MATCH_1}")
  add_test(NAME e2e_${name}
           COMMAND ${BRISVANE_E2E}/run-scenario ${BRISVANE_E2E_STATE} ${CMAKE_BINARY_DIR} ${name}
                   ${expected} ${script} ${host_args})
  # One X display for all scenarios: they take turns (the driver finds windows by class).
  set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED e2e RESOURCE_LOCK e2e_display
                       TIMEOUT 90)
endforeach()

# The whole program under Wine: the demo installer in a prepared prefix (stand-in browsers),
# driven through the wizard, then checked from outside.
add_executable(make_browser tests/e2e/make_browser.cpp tests/support/make_pe.cpp)
target_compile_options(make_browser PRIVATE ${BRISVANE_WARNINGS})
target_include_directories(make_browser PRIVATE ${PROJECT_SOURCE_DIR})
target_link_options(make_browser PRIVATE -static -static-libgcc -static-libstdc++)

# A DLL planted beside the installer, and an ordinary program that loads such DLLs by name
# (the control).
add_library(planted_dll SHARED tests/e2e/planted_dll.cpp)
set_target_properties(planted_dll PROPERTIES PREFIX "")
target_link_options(planted_dll PRIVATE -static -static-libgcc -Wl,--kill-at)
add_executable(planted_probe tests/e2e/planted_probe.cpp)
target_link_options(planted_probe PRIVATE -static -static-libgcc -static-libstdc++)

# One test per script in tests/e2e/program/. They need the demo installer
# (BrisvaneSetup.exe in this build, see scripts/pack-sample), and with it the host build
# (build/host beside this one): a missing or stale installer is packed with its setup-pack
# and make-sample-files. A script with the line "# e2e: also in a 32-bit prefix" runs there too
# (below).
file(GLOB BRISVANE_PROGRAM_SCRIPTS CONFIGURE_DEPENDS ${BRISVANE_E2E}/program/*.sh)
set(BRISVANE_PROGRAM_TESTS)
set(BRISVANE_PROGRAM_TESTS_32BIT_PREFIX)
foreach(script IN LISTS BRISVANE_PROGRAM_SCRIPTS)
  get_filename_component(name ${script} NAME_WE)
  list(APPEND BRISVANE_PROGRAM_TESTS ${name})
  file(STRINGS ${script} also_32bit REGEX "^# e2e: also in a 32-bit prefix$")
  if(also_32bit)
    list(APPEND BRISVANE_PROGRAM_TESTS_32BIT_PREFIX ${name})
  endif()
endforeach()
foreach(name IN LISTS BRISVANE_PROGRAM_TESTS)
  add_test(NAME e2e_program_${name}
           COMMAND bash ${BRISVANE_E2E}/program/${name}.sh ${BRISVANE_E2E_STATE} ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_program_${name} PROPERTIES FIXTURES_REQUIRED e2e RESOURCE_LOCK e2e_display
                       TIMEOUT 180 SKIP_RETURN_CODE 77)
endforeach()

# The 32-bit product also runs on purely 32-bit Windows: the main scenarios again in a 32-bit
# prefix of their own (no WoW64 redirection), on a display of their own, so that they may run
# beside the scenarios above.
if(BRISVANE_FLAVOUR STREQUAL "win32")
  set(BRISVANE_E2E32_STATE ${CMAKE_BINARY_DIR}/e2e-wine32)
  brisvane_wine_state(${BRISVANE_E2E32_STATE} win32)
  add_test(NAME e2e32_session_start COMMAND ${BRISVANE_E2E}/e2e-session start ${BRISVANE_E2E32_STATE})
  add_test(NAME e2e32_session_stop COMMAND ${BRISVANE_E2E}/e2e-session stop ${BRISVANE_E2E32_STATE})
  set_tests_properties(e2e32_session_start PROPERTIES FIXTURES_SETUP e2e32 RESOURCE_LOCK e2e32_display)
  set_tests_properties(e2e32_session_stop PROPERTIES FIXTURES_CLEANUP e2e32 RESOURCE_LOCK e2e32_display)
  foreach(name IN LISTS BRISVANE_PROGRAM_TESTS_32BIT_PREFIX)
    add_test(NAME e2e32_program_${name}
             COMMAND bash ${BRISVANE_E2E}/program/${name}.sh ${BRISVANE_E2E32_STATE} ${CMAKE_BINARY_DIR})
    set_tests_properties(e2e32_program_${name} PROPERTIES FIXTURES_REQUIRED e2e32 RESOURCE_LOCK e2e32_display
                         TIMEOUT 180 SKIP_RETURN_CODE 77)
  endforeach()
endif()
