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

# name, the host's exit code the scenario expects, then the host's arguments.
function(brisvane_e2e_scenario name expected)
  add_test(NAME e2e_${name}
           COMMAND ${BRISVANE_E2E}/run-scenario ${BRISVANE_E2E_STATE} ${CMAKE_BINARY_DIR} ${name}
                   ${expected} ${BRISVANE_E2E}/scenarios/${name}.txt ${ARGN})
  # One X display for all scenarios: they take turns (the driver finds windows by class).
  set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED e2e RESOURCE_LOCK e2e_display
                       TIMEOUT 90)
endfunction()

brisvane_e2e_scenario(welcome 1 welcome)
brisvane_e2e_scenario(end-success 2 end-success)
# Enter on a page without a default button is reported as 1 by the dialog manager.
brisvane_e2e_scenario(end-failure 1 end-failure)
brisvane_e2e_scenario(halt-enter 7 halt)
brisvane_e2e_scenario(halt-escape 2 halt)
brisvane_e2e_scenario(progress 0 progress 0 50 100)
brisvane_e2e_scenario(progress-cancel-no 0 progress 50)
brisvane_e2e_scenario(progress-cancel-yes 2 progress 50)

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
# (BrisvaneSetup.exe in this build, see scripts/pack-sample); a missing or stale one is packed
# with the host build's setup-pack beside this build (build/host).
set(BRISVANE_PROGRAM_TESTS happy-path second-run quit-each-page second-instance damaged-installer
    directory-refusals small-drive browser-refusals cancel-during-copy planted-dlls signed-installer
    long-directory keyboard-focus upgrade-rollback silent-install silent-failures
    silent-upgrade uninstall command-lines damaged-program-part)
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
  foreach(name happy-path cancel-during-copy upgrade-rollback silent-install uninstall)
    add_test(NAME e2e32_program_${name}
             COMMAND bash ${BRISVANE_E2E}/program/${name}.sh ${BRISVANE_E2E32_STATE} ${CMAKE_BINARY_DIR})
    set_tests_properties(e2e32_program_${name} PROPERTIES FIXTURES_REQUIRED e2e32 RESOURCE_LOCK e2e32_display
                         TIMEOUT 180 SKIP_RETURN_CODE 77)
  endforeach()
endif()
