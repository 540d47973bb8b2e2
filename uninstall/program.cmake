# NpU32.exe, the uninstaller: a second small program built like the installer (no C runtime,
# the same start-up, link-time optimisation, no time stamp), from its own rules and the
# helpers it shares with the installer. The sample package carries it (see sample/).
# Its sources come from the subsystems' lists: its own rules (uninstall/sources.cmake), the
# code both programs link (BRISVANE_SHARED_SOURCES and BRISVANE_SHARED_WINDOWS_SOURCES, named
# where each file's subsystem lists it) and its Windows part.
set(BRISVANE_UNINSTALLER_SOURCES ${BRISVANE_UNINSTALLER_RULE_SOURCES} ${BRISVANE_SHARED_SOURCES}
    ${BRISVANE_SHARED_WINDOWS_SOURCES} uninstall/uninstaller_windows.cpp)
add_executable(NpU32 WIN32 ${BRISVANE_UNINSTALLER_SOURCES} ${BRISVANE_RUNTIME_SOURCES} uninstall/uninstaller.rc)
target_include_directories(NpU32 PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(NpU32 PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(NpU32 PRIVATE ${BRISVANE_WARNINGS} ${BRISVANE_PROGRAM_FLAGS} ${BRISVANE_PROGRAM_LTO_FLAGS})
target_link_libraries(NpU32 PRIVATE shell32 ole32 advapi32 user32 kernel32 gcc)
target_link_options(NpU32 PRIVATE ${BRISVANE_PROGRAM_LINK_OPTIONS})
set_target_properties(NpU32 PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BRISVANE_SAMPLE_DIR})
