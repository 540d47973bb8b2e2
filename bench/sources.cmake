# Benchmarks (host, -DBRISVANE_BENCH=ON; see bench/README.md): the PE re-layout tool that
# makes the corpus, and the benchmark program with its callgrind driver modes.
find_package(ZLIB REQUIRED)

add_executable(pe-relayout bench/pe_relayout.cpp)
target_compile_options(pe-relayout PRIVATE ${BRISVANE_WARNINGS})
