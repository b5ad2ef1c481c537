# The settings reader and writer on any bytes a settings file may hold.
add_executable(fuzz_app_settings ${CMAKE_CURRENT_LIST_DIR}/fuzz_app_settings.cpp
  ${PROJECT_SOURCE_DIR}/app/IniFile.cpp ${PROJECT_SOURCE_DIR}/app/Settings.cpp ${PROJECT_SOURCE_DIR}/app/ColorText.cpp
  ${PROJECT_SOURCE_DIR}/net/Fields.cpp ${PROJECT_SOURCE_DIR}/net/Text.cpp)
target_include_directories(fuzz_app_settings PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(fuzz_app_settings PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
target_link_options(fuzz_app_settings PRIVATE -fsanitize=fuzzer,address,undefined)
set_target_properties(fuzz_app_settings PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
