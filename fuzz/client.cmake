# What the host sends, as the client frames it and its roster takes it.
add_executable(fuzz_client_roster ${CMAKE_CURRENT_LIST_DIR}/fuzz_client_roster.cpp
  ${PROJECT_SOURCE_DIR}/client/Roster.cpp
  ${PROJECT_SOURCE_DIR}/net/Framing.cpp ${PROJECT_SOURCE_DIR}/net/Fields.cpp
  ${PROJECT_SOURCE_DIR}/net/Text.cpp ${PROJECT_SOURCE_DIR}/net/Commands.cpp ${PROJECT_SOURCE_DIR}/net/GameOptions.cpp)
target_include_directories(fuzz_client_roster PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(fuzz_client_roster PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
target_link_options(fuzz_client_roster PRIVATE -fsanitize=fuzzer,address,undefined)
set_target_properties(fuzz_client_roster PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
