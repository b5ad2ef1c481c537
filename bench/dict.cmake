# Dictionary benchmarks: lookups over the real list, file-backed and in memory.
if(benchmark_FOUND AND TARGET zirky_dict)
  add_executable(bench_dict_lookup ${CMAKE_CURRENT_LIST_DIR}/bench_dict_lookup.cpp)
  target_link_libraries(bench_dict_lookup PRIVATE zirky_dict benchmark::benchmark)
endif()
