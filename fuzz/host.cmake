# The host rules driven by arbitrary client messages, connections, closes and
# clock ticks. The rule and wire sources are compiled in for coverage.
file(GLOB ZIRKY_HOST_FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/*.cpp)
list(FILTER ZIRKY_HOST_FUZZ_SOURCES EXCLUDE REGEX "/HostServer[^/]*\\.cpp$")
file(GLOB ZIRKY_RULES_FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/rules/*.cpp)
add_executable(fuzz_host_rules ${CMAKE_CURRENT_LIST_DIR}/fuzz_host_rules.cpp ${ZIRKY_HOST_FUZZ_SOURCES} ${ZIRKY_RULES_FUZZ_SOURCES}
  ${PROJECT_SOURCE_DIR}/net/Framing.cpp ${PROJECT_SOURCE_DIR}/net/Fields.cpp
  ${PROJECT_SOURCE_DIR}/net/Text.cpp ${PROJECT_SOURCE_DIR}/net/Commands.cpp ${PROJECT_SOURCE_DIR}/net/GameOptions.cpp)
target_include_directories(fuzz_host_rules PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(fuzz_host_rules PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
target_link_options(fuzz_host_rules PRIVATE -fsanitize=fuzzer,address,undefined)
set_target_properties(fuzz_host_rules PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
