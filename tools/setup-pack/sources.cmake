# setup-pack, the host tool that builds installers: a library (so the tool tests can call its
# parts) and the command-line program; and the generator of the demo package's logo and
# extension files.
find_library(BRISVANE_LIBDEFLATE deflate REQUIRED)
find_package(Threads REQUIRED)
add_library(setup_pack_lib STATIC
  tools/setup-pack/bit_writer.cpp
  tools/setup-pack/stream_parser.cpp
  tools/setup-pack/transcoder.cpp
  tools/setup-pack/stream_check.cpp
  tools/setup-pack/program_decoder.cpp
  tools/setup-pack/compressor.cpp
  tools/setup-pack/parallel_compress.cpp
  tools/setup-pack/file_util.cpp
  tools/setup-pack/manifest.cpp
  tools/setup-pack/package_builder.cpp
  tools/setup-pack/installer_reader.cpp
  tools/setup-pack/installer_check.cpp
  tools/setup-pack/package_roles.cpp
  tools/setup-pack/commands.cpp
  tools/setup-pack/cmd_build.cpp
  tools/setup-pack/cmd_inspect.cpp
  tools/setup-pack/list_formats.cpp
  tools/setup-pack/cmd_stream.cpp
  tools/setup-pack/cmd_stamp.cpp
)
target_link_libraries(setup_pack_lib PUBLIC brisvane_program ${BRISVANE_LIBDEFLATE} Threads::Threads)
target_compile_options(setup_pack_lib PRIVATE ${BRISVANE_WARNINGS})

add_executable(setup-pack tools/setup-pack/main.cpp)
target_link_libraries(setup-pack PRIVATE setup_pack_lib)
target_compile_options(setup-pack PRIVATE ${BRISVANE_WARNINGS})

add_executable(make-sample-files sample/make_sample_files.cpp)
target_compile_options(make-sample-files PRIVATE ${BRISVANE_WARNINGS})
