list(APPEND BRISVANE_HOST_SOURCES
  platform/host/paths.cpp
  platform/host/files.cpp
  platform/host/memory.cpp
  platform/host/registry.cpp
  platform/host/strings.cpp
  platform/host/message_boxes.cpp
  platform/host/module_name.cpp
  platform/host/platform_reset.cpp
  platform/host/version.cpp
  platform/host/ui_stand_in.cpp
  platform/host/shell.cpp
)
set(BRISVANE_WINDOWS_TEST_HOOK_SOURCES
  platform/windows/test_hooks.cpp
)
# The Windows program's own start-up (with its defence against planted DLLs: the version
# functions are bound by hand, so the program file does not import version.dll) and C string
# functions: it links no C runtime. Only the program files themselves take these; test
# programs link the toolchain's runtime and version.dll's import library.
set(BRISVANE_RUNTIME_SOURCES
  platform/windows/program_entry.cpp
  platform/windows/system_libraries.cpp
  platform/windows/c_string.cpp
)
# The start-up and the string functions stay out of link-time optimisation: the compiler may
# call memcpy or memmove in code it generates at link time, after the optimiser has dropped
# what it thought unused, and the entry point is referenced by the linker alone.
set_source_files_properties(${BRISVANE_RUNTIME_SOURCES} PROPERTIES COMPILE_OPTIONS -fno-lto)
set_source_files_properties(platform/windows/c_string.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-lto;-ffreestanding;-fno-builtin;-fno-tree-loop-distribute-patterns")
