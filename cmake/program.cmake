# The program's code as a library, and the program itself in the Windows builds.

# The decoder's fast path (see decompress/expand_codes.cpp) is chosen here, not by the
# optimisation level, and the decoder's hot loop is built for speed: it does three quarters of
# the decoder's work. Its block headers, channels and code-table builder are built for size
# like the rest of the program: at -O2 the headers and channels would take 1.4 KB more for 2 %
# fewer instructions, and the builder 224 bytes more, which the records phase's journal needed.
option(BRISVANE_DECODER_FAST_PATH "Build the decoder's fast path into the program" ON)
set(BRISVANE_DECODER_SOURCES ${BRISVANE_CORE_SOURCES})
list(FILTER BRISVANE_DECODER_SOURCES INCLUDE REGEX "^decompress/")
set(BRISVANE_DECODER_SPEED_SOURCES decompress/expand_codes.cpp)
set(BRISVANE_DECODER_OPTIMISATION -O2 -falign-functions=1 -falign-jumps=1 -falign-loops=1 -falign-labels=1)

# The program's Windows builds are built small. No exceptions, RTTI or iostreams in program code.
set(BRISVANE_PROGRAM_FLAGS -Oz -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections)

if(BRISVANE_FLAVOUR STREQUAL "host")
  if(BRISVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
  endif()
  add_library(brisvane_program STATIC ${BRISVANE_CORE_SOURCES} ${BRISVANE_HOST_SOURCES})
  target_include_directories(brisvane_program PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(brisvane_program PRIVATE ${BRISVANE_WARNINGS})
  target_compile_definitions(brisvane_program PRIVATE BRISVANE_DECODER_FAST_PATH=$<BOOL:${BRISVANE_DECODER_FAST_PATH}>)
  return()
endif()

set_source_files_properties(${BRISVANE_DECODER_SPEED_SOURCES} PROPERTIES COMPILE_OPTIONS "${BRISVANE_DECODER_OPTIMISATION}")

# fast_path: ON for the program; the test library builds the careful path alone, so that the
# unit tests under Wine decode whole streams with it (the host tests and the program's own
# end-to-end runs take the fast one).
function(brisvane_program_library name with_test_hooks fast_path)
  set(sources ${BRISVANE_CORE_SOURCES} ${BRISVANE_WINDOWS_SOURCES})
  if(with_test_hooks)
    list(APPEND sources ${BRISVANE_WINDOWS_TEST_HOOK_SOURCES})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${BRISVANE_WARNINGS} ${BRISVANE_PROGRAM_FLAGS})
  target_compile_definitions(${name} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)
  target_compile_definitions(${name} PRIVATE BRISVANE_DECODER_FAST_PATH=$<BOOL:${fast_path}>)
  if(with_test_hooks)
    target_compile_definitions(${name} PUBLIC BRISVANE_TEST_HOOKS)
  endif()
  target_link_libraries(${name} PUBLIC comdlg32 ole32 uuid shell32 gdi32 user32 kernel32)
  if(with_test_hooks)
    target_link_libraries(${name} PUBLIC version)
  endif()
endfunction()

brisvane_program_library(brisvane_program OFF ${BRISVANE_DECODER_FAST_PATH})
# The program's code is optimised across files when the program file is linked: about 3 KB
# less code than file by file, room the image's budget spends on features. Each file keeps
# its own level (the decoder's hot parts stay at -O2). The objects also carry ordinary code,
# so that test programs linked without link-time optimisation (the page host) can use them.
set(BRISVANE_PROGRAM_LTO_FLAGS -flto -ffat-lto-objects)
target_compile_options(brisvane_program PRIVATE ${BRISVANE_PROGRAM_LTO_FLAGS})

# The program file links no C runtime (platform/windows/program_entry.cpp is its entry point,
# platform/windows/c_string.cpp its string functions; libgcc last, for the compiler's own
# helpers), imports version.dll's functions from the system directory only
# (platform/windows/system_libraries.cpp), keeps its relocations for address randomisation, and carries no time stamp, so that
# two builds of the same source are byte for byte the same.
set(BRISVANE_PROGRAM_LINK_OPTIONS -flto -Oz -nostdlib -Wl,--subsystem,windows -Wl,--gc-sections -s
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp)

# The 32-bit program file's code and constants share one section, and so do its imports and
# variables (cmake/merged-sections.cmake): about 750 bytes of page slack become room for code.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  include(cmake/merged-sections.cmake)
  set(BRISVANE_MERGED_SECTIONS_SCRIPT ${PROJECT_BINARY_DIR}/merged-sections.ld)
  brisvane_merged_sections_script(${BRISVANE_MERGED_SECTIONS_SCRIPT})
  list(APPEND BRISVANE_PROGRAM_LINK_OPTIONS -Wl,-T,${BRISVANE_MERGED_SECTIONS_SCRIPT})
endif()

add_executable(BrisvaneSetup WIN32 ${BRISVANE_ENTRY_SOURCES} ${BRISVANE_RUNTIME_SOURCES} resources/setup.rc)
target_compile_options(BrisvaneSetup PRIVATE ${BRISVANE_WARNINGS} ${BRISVANE_PROGRAM_FLAGS} ${BRISVANE_PROGRAM_LTO_FLAGS})
target_link_libraries(BrisvaneSetup PRIVATE brisvane_program gcc)
target_link_options(BrisvaneSetup PRIVATE ${BRISVANE_PROGRAM_LINK_OPTIONS})
set_target_properties(BrisvaneSetup PROPERTIES OUTPUT_NAME BrisvaneSetup-stub)
