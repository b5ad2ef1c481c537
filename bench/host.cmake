# Host benchmarks: the chat relay round trip with eight players next to plain
# echo servers, and the wake-ups of an idle zirky-host.
if(TARGET zirky_host_qt)
  add_executable(bench_host_roundtrip ${CMAKE_CURRENT_LIST_DIR}/bench_host_roundtrip.cpp)
  target_link_libraries(bench_host_roundtrip PRIVATE zirky_host_qt Qt6::Core)
endif()
if(TARGET zirky-host)
  add_executable(bench_host_idle ${CMAKE_CURRENT_LIST_DIR}/bench_host_idle.cpp)
  target_link_libraries(bench_host_idle PRIVATE zirky_net)
  add_dependencies(bench_host_idle zirky-host)
endif()
