# Client benchmarks: the game window's wake-ups during a game and the time from a deal to the painted rack.
if(TARGET zirky_client_qt)
  add_executable(bench_client_play ${CMAKE_CURRENT_LIST_DIR}/bench_client_play.cpp)
  target_include_directories(bench_client_play PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_client_play PRIVATE zirky_client_qt)
endif()
