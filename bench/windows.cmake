# Tally file benchmarks: codec throughput and the window's save of a large tally.
if(benchmark_FOUND AND TARGET zirky_windows)
  add_executable(bench_tally ${CMAKE_CURRENT_LIST_DIR}/bench_tally.cpp)
  target_link_libraries(bench_tally PRIVATE zirky_windows benchmark::benchmark)
endif()
