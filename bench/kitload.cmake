# A kit's load in the kit instrument, through the tests' lilv host.
pkg_check_modules(LILV REQUIRED IMPORTED_TARGET lilv-0)
tunk_bench(tunk_kit_load_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/KitLoadBench.cpp ${TUNK_ROOT}/tests/plugin/KitHost.cpp
    ${TUNK_ROOT}/tests/plugin/PluginHost.cpp
  LIBS tunk_kit_codec tunk_kit PkgConfig::LILV PkgConfig::LV2 Threads::Threads)
target_include_directories(tunk_kit_load_bench PRIVATE ${TUNK_ROOT}/tests/plugin)
target_compile_definitions(tunk_kit_load_bench PRIVATE
  TUNK_LV2_BUNDLE_DIR="${CMAKE_BINARY_DIR}/plugin/tunk.lv2/"
  TUNK_BUILD_KITS="${CMAKE_BINARY_DIR}/data/kits/")
add_dependencies(tunk_kit_load_bench tunk_lv2_bundle)
