# Client benchmarks: the game window's wake-ups during a game and the time from a deal to the painted rack.
if(TARGET zirky_client_qt)
  add_executable(bench_client_play ${CMAKE_CURRENT_LIST_DIR}/bench_client_play.cpp)
  target_include_directories(bench_client_play PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_client_play PRIVATE zirky_client_qt)
endif()
# The window against a host that floods it, and against a real zirky-host whose
# other players flood the chat: its memory, its chat lag, and whether it is dropped.
if(TARGET zirky_client_qt AND TARGET zirky-host)
  add_executable(bench_window_flood ${CMAKE_CURRENT_LIST_DIR}/bench_window_flood.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowProcess.h)
  target_include_directories(bench_window_flood PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_window_flood PRIVATE zirky_client_qt zirky_net)
  add_dependencies(bench_window_flood zirky-host)
endif()
# The window at a real zirky-host with five computer players for minutes: memory stays flat.
if(TARGET zirky_client_qt AND TARGET zirky-host)
  add_executable(bench_window_soak ${CMAKE_CURRENT_LIST_DIR}/bench_window_soak.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowProcess.h)
  target_include_directories(bench_window_soak PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_window_soak PRIVATE zirky_client_qt zirky_net)
  add_dependencies(bench_window_soak zirky-host)
endif()
# The board at 3840 x 2160: a resize to the board laid out and painted, and the idle window's wake-ups.
if(TARGET zirky_client_qt)
  add_executable(bench_board_layout ${CMAKE_CURRENT_LIST_DIR}/bench_board_layout.cpp)
  target_include_directories(bench_board_layout PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests/client)
  target_link_libraries(bench_board_layout PRIVATE zirky_client_qt)
endif()
