# The demo package's modules (Windows builds): a sample plug-in module, two shared libraries
# and regular libraries, each with a version resource of its own.
# scripts/pack-sample packs them, and the real uninstaller (uninstall/program.cmake, built into
# the same folder), with setup-pack into BrisvaneSetup.exe.
set(BRISVANE_SAMPLE_DIR ${CMAKE_BINARY_DIR}/sample)

# sample_module(TARGET FILE TYPE VERSION DESCRIPTION SOURCE): TYPE is DLL or EXE.
function(sample_module target file type version description source)
  string(REPLACE "." "," SAMPLE_VERSION_COMMAS ${version})
  set(SAMPLE_VERSION ${version})
  set(SAMPLE_DESCRIPTION ${description})
  set(SAMPLE_FILE ${file})
  get_filename_component(SAMPLE_NAME ${file} NAME_WE)
  if(type STREQUAL "DLL")
    set(SAMPLE_FILE_TYPE VFT_DLL)
  else()
    set(SAMPLE_FILE_TYPE VFT_APP)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/sample/version.rc.in ${BRISVANE_SAMPLE_DIR}/rc/${file}.rc @ONLY)
  if(type STREQUAL "DLL")
    add_library(${target} SHARED ${PROJECT_SOURCE_DIR}/sample/${source} ${BRISVANE_SAMPLE_DIR}/rc/${file}.rc)
    target_compile_definitions(${target} PRIVATE "SAMPLE_TEXT=\"${description}\"")
  else()
    add_executable(${target} WIN32 ${PROJECT_SOURCE_DIR}/sample/${source} ${BRISVANE_SAMPLE_DIR}/rc/${file}.rc)
  endif()
  get_filename_component(base ${file} NAME_WE)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${base}
                        RUNTIME_OUTPUT_DIRECTORY ${BRISVANE_SAMPLE_DIR}
                        LIBRARY_OUTPUT_DIRECTORY ${BRISVANE_SAMPLE_DIR})
  target_compile_options(${target} PRIVATE ${BRISVANE_WARNINGS} -Os -fno-exceptions -fno-rtti)
  target_link_options(${target} PRIVATE -static -static-libgcc -s -Wl,--no-insert-timestamp)
endfunction()

sample_module(sample_plugin   nptnf32.dll  DLL 2.2.0.98 "Brisvane! sample plug-in module"      sample_module.cpp)
sample_module(sample_runtime  bvrt32.dll   DLL 2.2.0.97 "Brisvane! sample shared runtime"      sample_module.cpp)
sample_module(sample_sound    bvsnd32.dll  DLL 2.1.0.12 "Brisvane! sample shared sound library" sample_module.cpp)
sample_module(sample_draw     bvdraw32.dll DLL 2.2.0.98 "Brisvane! sample drawing library"     sample_module.cpp)
sample_module(sample_text     bvtext32.dll DLL 2.2.0.98 "Brisvane! sample text library"        sample_module.cpp)
sample_module(sample_net      bvnet32.dll  DLL 1.4.0.3  "Brisvane! sample network library"     sample_module.cpp)
