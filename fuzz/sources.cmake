# libFuzzer targets (host build with clang, -DBRISVANE_FUZZ=ON). The program library is
# instrumented for coverage; each target links it with libFuzzer's main.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "BRISVANE_FUZZ needs clang (configure build/fuzz with CXX=clang++)")
endif()
target_compile_options(brisvane_program PRIVATE -fsanitize=fuzzer-no-link)

# One target per fuzz/fuzz_<name>.cpp: the files are the list (scripts/fuzz-targets prints it
# for the scripts).
file(GLOB BRISVANE_FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/fuzz_*.cpp)
set(BRISVANE_FUZZ_TARGETS)
foreach(source ${BRISVANE_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" name ${name})
  list(APPEND BRISVANE_FUZZ_TARGETS ${name})
endforeach()
foreach(target ${BRISVANE_FUZZ_TARGETS})
  add_executable(fuzz_${target} fuzz/fuzz_${target}.cpp)
  target_link_libraries(fuzz_${target} PRIVATE brisvane_program)
  target_compile_options(fuzz_${target} PRIVATE ${BRISVANE_WARNINGS} -fsanitize=fuzzer)
  target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
endforeach()
