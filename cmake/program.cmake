# The program's code as a library, and the program itself in the Windows builds.

if(BRISVANE_FLAVOUR STREQUAL "host")
  if(BRISVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
  endif()
  add_library(brisvane_program STATIC ${BRISVANE_CORE_SOURCES} ${BRISVANE_HOST_SOURCES})
  target_include_directories(brisvane_program PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(brisvane_program PRIVATE ${BRISVANE_WARNINGS})
  return()
endif()

# Windows: the program is built small. No exceptions, RTTI or iostreams in program code.
set(BRISVANE_PROGRAM_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections)

function(brisvane_program_library name with_test_hooks)
  set(sources ${BRISVANE_CORE_SOURCES} ${BRISVANE_WINDOWS_SOURCES})
  if(with_test_hooks)
    list(APPEND sources ${BRISVANE_WINDOWS_TEST_HOOK_SOURCES})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${BRISVANE_WARNINGS} ${BRISVANE_PROGRAM_FLAGS})
  target_compile_definitions(${name} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)
  if(with_test_hooks)
    target_compile_definitions(${name} PUBLIC BRISVANE_TEST_HOOKS)
  endif()
  target_link_libraries(${name} PUBLIC comdlg32 ole32 uuid shell32 version gdi32 user32 kernel32)
endfunction()

brisvane_program_library(brisvane_program OFF)

add_executable(BrisvaneSetup WIN32 ${BRISVANE_ENTRY_SOURCES} resources/setup.rc)
target_compile_options(BrisvaneSetup PRIVATE ${BRISVANE_WARNINGS} ${BRISVANE_PROGRAM_FLAGS})
target_link_libraries(BrisvaneSetup PRIVATE brisvane_program)
target_link_options(BrisvaneSetup PRIVATE -static -static-libgcc -Wl,--gc-sections -s -mwindows)
set_target_properties(BrisvaneSetup PROPERTIES OUTPUT_NAME BrisvaneSetup-stub)
