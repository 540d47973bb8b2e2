# setup-pack, the host tool that builds installers: a library (so the tool tests can call its
# parts) and the command-line program.
find_library(BRISVANE_LIBDEFLATE deflate REQUIRED)
add_library(setup_pack_lib STATIC
  tools/setup-pack/bit_writer.cpp
  tools/setup-pack/stream_parser.cpp
  tools/setup-pack/transcoder.cpp
  tools/setup-pack/stream_check.cpp
  tools/setup-pack/compressor.cpp
)
target_link_libraries(setup_pack_lib PUBLIC brisvane_program ${BRISVANE_LIBDEFLATE})
target_compile_options(setup_pack_lib PRIVATE ${BRISVANE_WARNINGS})

add_executable(setup-pack tools/setup-pack/main.cpp)
target_link_libraries(setup-pack PRIVATE setup_pack_lib)
target_compile_options(setup-pack PRIVATE ${BRISVANE_WARNINGS})
