# The chat view: one line added to a full history, one 32 KiB line, memory after a flood.
if(TARGET zirky_chat_qt)
  add_executable(bench_chat_view ${CMAKE_CURRENT_LIST_DIR}/bench_chat_view.cpp)
  target_link_libraries(bench_chat_view PRIVATE zirky_chat_qt)
endif()
