# Word finder: preparing the tree, finding every word of a rack, planning a turn.
if(TARGET zirky_solver)
  add_executable(bench_solver ${CMAKE_CURRENT_LIST_DIR}/bench_solver.cpp)
  target_link_libraries(bench_solver PRIVATE zirky_solver)
endif()
# The computer players' strength table (not a bench_* program: it plays whole
# games and takes minutes). Run: build/bench/bot_strength --turns 200 [--slow | --fast]
if(TARGET zirky_bots AND TARGET zirky_host_qt)
  add_executable(bot_strength ${PROJECT_SOURCE_DIR}/tools/bot_strength.cpp)
  target_link_libraries(bot_strength PRIVATE zirky_bots zirky_host_qt)
endif()
