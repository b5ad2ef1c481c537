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
# The attacks one peer can make on a real zirky-host: floods, backlogs, log spam.
if(TARGET zirky-host)
  add_executable(bench_host_attack ${CMAKE_CURRENT_LIST_DIR}/bench_host_attack.cpp)
  target_link_libraries(bench_host_attack PRIVATE zirky_net)
  add_dependencies(bench_host_attack zirky-host)
endif()
# Nine scripted players on one zirky-host for minutes (give it the sanitizer build).
if(TARGET zirky-host)
  add_executable(bench_host_soak ${CMAKE_CURRENT_LIST_DIR}/bench_host_soak.cpp)
  target_link_libraries(bench_host_soak PRIVATE zirky_net)
  add_dependencies(bench_host_soak zirky-host)
endif()
