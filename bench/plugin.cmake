# The LV2 instrument through the tests' lilv host, on the bundle in the build tree.
pkg_check_modules(LILV REQUIRED IMPORTED_TARGET lilv-0)
tunk_bench(tunk_plugin_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginBench.cpp ${TUNK_ROOT}/tests/plugin/PluginHost.cpp
  LIBS tunk_voices PkgConfig::LILV PkgConfig::LV2 Threads::Threads)
target_include_directories(tunk_plugin_bench PRIVATE ${TUNK_ROOT}/tests/plugin)
target_compile_definitions(tunk_plugin_bench PRIVATE
  TUNK_LV2_BUNDLE_DIR="${CMAKE_BINARY_DIR}/plugin/tunk.lv2/")
add_dependencies(tunk_plugin_bench tunk_lv2_bundle)
