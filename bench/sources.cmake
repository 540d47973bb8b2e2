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
