# A factory kit's pattern as a 64-bar loop, mix and stems, against real time.
tunk_bench(tunk_pattern_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/PatternBench.cpp
  LIBS tunk_kit_voices tunk_kit_codec)
target_compile_definitions(tunk_pattern_bench PRIVATE TUNK_FACTORY_KITS="${CMAKE_BINARY_DIR}/data/kits")
add_dependencies(tunk_pattern_bench factory_kits)
