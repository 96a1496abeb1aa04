# The application object in process, the real program end to end, and the install.
if(TARGET tunk_window)
  tunk_test(tunk_app_test SOURCES TunkAppTest.cpp LIBS tunk_app Qt6::Test)
endif()
if(TARGET tunk)
  if(X11_FOUND)
    tunk_test(tunk_end_to_end_test SOURCES EndToEndTest.cpp LIBS tunk_preset X11::X11
      PROGRAM tunk TUNK_BINARY)
  endif()
  tunk_test(tunk_install_test SOURCES InstallTest.cpp LIBS tunk_core)
  target_compile_definitions(tunk_install_test PRIVATE TUNK_CMAKE="${CMAKE_COMMAND}"
    TUNK_BUILD_DIR="${CMAKE_BINARY_DIR}" TUNK_SOURCE_DIR="${TUNK_ROOT}")
  add_dependencies(tunk_install_test tunk)
  # The install puts every program, its manual page and the plugin in place, so all must be built.
  foreach(installed tunk-render tunk_lv2_bundle tunk_manual_page tunk-render_manual_page factory_kits)
    if(TARGET ${installed})
      add_dependencies(tunk_install_test ${installed})
    endif()
  endforeach()
endif()
# One kit played by the kit window (SDL's disk driver), the kit plugin (a lilv host) and
# tunk-render --notes, compared sample for sample.
if(TARGET tunk_window AND TARGET tunk_lv2_bundle)
  pkg_check_modules(LILV REQUIRED IMPORTED_TARGET lilv-0)
  tunk_test(kit_players_test
    SOURCES KitPlayersTest.cpp ${TUNK_ROOT}/tests/plugin/KitHost.cpp
      ${TUNK_ROOT}/tests/plugin/PluginHost.cpp
    LIBS tunk_window tunk_spacebar Qt6::Test tunk_kit_codec PkgConfig::LILV PkgConfig::LV2
      PkgConfig::SNDFILE
    PROGRAM tunk-render TUNK_RENDER_PATH)
  target_compile_definitions(kit_players_test PRIVATE
    TUNK_LV2_BUNDLE_DIR="${CMAKE_BINARY_DIR}/plugin/tunk.lv2/")
  add_dependencies(kit_players_test tunk_lv2_bundle)
endif()
