# The kit's voices, live against sounds made beforehand, on a factory kit the build made.
tunk_bench(tunk_kit_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/KitBench.cpp
  LIBS tunk_kit_voices tunk_lv2_parts tunk_kit_codec tunk_new_kit)
target_compile_definitions(tunk_kit_bench PRIVATE TUNK_FACTORY_KITS="${CMAKE_BINARY_DIR}/data/kits")
add_dependencies(tunk_kit_bench factory_kits)
