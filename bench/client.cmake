# Client benchmarks: the game window's wake-ups during a game and the time from a deal to the painted rack.
if(TARGET zirky_client_qt)
  add_executable(bench_client_play ${CMAKE_CURRENT_LIST_DIR}/bench_client_play.cpp)
  target_include_directories(bench_client_play PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_client_play PRIVATE zirky_client_qt)
endif()
# The board at 3840 x 2160: a resize to the board laid out and painted, and the idle window's wake-ups.
if(TARGET zirky_client_qt)
  add_executable(bench_board_layout ${CMAKE_CURRENT_LIST_DIR}/bench_board_layout.cpp)
  target_include_directories(bench_board_layout PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests/client)
  target_link_libraries(bench_board_layout PRIVATE zirky_client_qt)
endif()
