# Word finder: preparing the tree, finding every word of a rack, planning a turn.
if(TARGET zirky_solver)
  add_executable(bench_solver ${CMAKE_CURRENT_LIST_DIR}/bench_solver.cpp)
  target_link_libraries(bench_solver PRIVATE zirky_solver)
endif()
