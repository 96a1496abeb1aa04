# The plugins' UI library in the tests' UI host: what its calls cost the host's GUI thread.
if(TARGET tunk_lv2_ui)
  tunk_bench(tunk_plugin_ui_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginUiBench.cpp ${TUNK_ROOT}/tests/plugin/ui/UiHost.cpp
      ${TUNK_ROOT}/tests/plugin/PluginHost.cpp
    LIBS tunk_core PkgConfig::LILV PkgConfig::LV2 ${CMAKE_DL_LIBS})
  target_include_directories(tunk_plugin_ui_bench PRIVATE ${TUNK_ROOT}/tests)
  target_compile_definitions(tunk_plugin_ui_bench PRIVATE
    TUNK_LV2_BUNDLE_DIR="${CMAKE_BINARY_DIR}/plugin/tunk.lv2/")
  add_dependencies(tunk_plugin_ui_bench tunk_lv2_bundle tunk_lv2_ui tunk)
endif()
