# Launch benchmark: the real program from start to its first login in a solo game.
if(TARGET zirky)
  add_executable(bench_app_launch ${CMAKE_CURRENT_LIST_DIR}/bench_app_launch.cpp)
  target_compile_definitions(bench_app_launch PRIVATE ZIRKY_PROGRAM="$<TARGET_FILE:zirky>")
  add_dependencies(bench_app_launch zirky)
endif()
