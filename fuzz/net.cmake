# Framing, the receive queue and the field helpers under hostile input. The
# wire sources are compiled in here so that the fuzzer sees their coverage.
set(ZIRKY_NET_FUZZ_SOURCES
  ${PROJECT_SOURCE_DIR}/net/Framing.cpp ${PROJECT_SOURCE_DIR}/net/Fields.cpp
  ${PROJECT_SOURCE_DIR}/net/Text.cpp ${PROJECT_SOURCE_DIR}/net/Commands.cpp ${PROJECT_SOURCE_DIR}/net/GameOptions.cpp)
add_executable(fuzz_net_framing ${CMAKE_CURRENT_LIST_DIR}/fuzz_net_framing.cpp ${ZIRKY_NET_FUZZ_SOURCES})
target_include_directories(fuzz_net_framing PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(fuzz_net_framing PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
target_link_options(fuzz_net_framing PRIVATE -fsanitize=fuzzer,address,undefined)
set_target_properties(fuzz_net_framing PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
