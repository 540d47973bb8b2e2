# Benchmarks (host, -DBRISVANE_BENCH=ON; see bench/README.md): the PE re-layout tool that
# makes the corpus, and the benchmark program with its callgrind driver modes.
find_package(ZLIB REQUIRED)

add_executable(pe-relayout bench/pe_relayout.cpp)
target_compile_options(pe-relayout PRIVATE ${BRISVANE_WARNINGS})

add_executable(brisvane-bench bench/bench_main.cpp bench/corpus.cpp bench/decoders.cpp)
target_link_libraries(brisvane-bench PRIVATE setup_pack_lib ZLIB::ZLIB)
target_compile_options(brisvane-bench PRIVATE ${BRISVANE_WARNINGS})
target_compile_definitions(brisvane-bench PRIVATE SETUP_PACK_PATH="$<TARGET_FILE:setup-pack>")
add_dependencies(brisvane-bench setup-pack pe-relayout)

# The same benchmark with our decoder built as the product builds it: the program's flags, the
# hot loop's own optimisation level and the fast-path switch. bench/run reports its figures
# beside the -O2 ones. Its decoder objects stand in for those of the program library.
set_source_files_properties(${BRISVANE_DECODER_SPEED_SOURCES} PROPERTIES COMPILE_OPTIONS "${BRISVANE_DECODER_OPTIMISATION}")
add_library(bench_product_decoder OBJECT ${BRISVANE_DECODER_SOURCES})
target_include_directories(bench_product_decoder PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(bench_product_decoder PRIVATE ${BRISVANE_WARNINGS} ${BRISVANE_PROGRAM_FLAGS})
target_compile_definitions(bench_product_decoder PRIVATE BRISVANE_DECODER_FAST_PATH=$<BOOL:${BRISVANE_DECODER_FAST_PATH}>)
add_executable(brisvane-bench-product bench/bench_main.cpp bench/corpus.cpp bench/decoders.cpp
               $<TARGET_OBJECTS:bench_product_decoder>)
target_link_libraries(brisvane-bench-product PRIVATE setup_pack_lib ZLIB::ZLIB)
target_compile_options(brisvane-bench-product PRIVATE ${BRISVANE_WARNINGS})
string(REPLACE ";" " " bench_product_flags "${BRISVANE_PROGRAM_FLAGS}, ${BRISVANE_DECODER_SPEED_SOURCES} at ${BRISVANE_DECODER_OPTIMISATION}")
target_compile_definitions(brisvane-bench-product PRIVATE SETUP_PACK_PATH="$<TARGET_FILE:setup-pack>"
                           "BENCH_DECODER_BUILD=\"product flags: ${bench_product_flags}\"")
add_dependencies(brisvane-bench-product setup-pack pe-relayout)
