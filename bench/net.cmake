# Wire benchmarks: a round trip through TSock and the receive road next to a
# plain socket echo, and framing plus dispatch throughput.
if(TARGET zirky_net_qt)
  add_executable(bench_net_roundtrip ${CMAKE_CURRENT_LIST_DIR}/bench_net_roundtrip.cpp)
  target_link_libraries(bench_net_roundtrip PRIVATE zirky_net_qt Qt6::Core)
endif()
if(benchmark_FOUND)
  add_executable(bench_net_framing ${CMAKE_CURRENT_LIST_DIR}/bench_net_framing.cpp)
  target_link_libraries(bench_net_framing PRIVATE zirky_net benchmark::benchmark)
endif()
