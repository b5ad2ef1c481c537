# The tally file's container, grid text and record under hostile bytes, and the
# compressor's round trip. The sources are compiled in for coverage.
add_executable(fuzz_tally_container ${CMAKE_CURRENT_LIST_DIR}/fuzz_tally_container.cpp
  ${PROJECT_SOURCE_DIR}/windows/Lzrw1.cpp ${PROJECT_SOURCE_DIR}/windows/GridText.cpp
  ${PROJECT_SOURCE_DIR}/windows/TallyRecord.cpp)
target_include_directories(fuzz_tally_container PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(fuzz_tally_container PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
target_link_options(fuzz_tally_container PRIVATE -fsanitize=fuzzer,address,undefined)
set_target_properties(fuzz_tally_container PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
