# The editor window, driven headless through its widgets and message queue.
if(TARGET tunk_window)
  tunk_test(tunk_window_test SOURCES TunkWindowTest.cpp PresetWindowTest.cpp UndoMenuTest.cpp ParamRowsTest.cpp TableControlsTest.cpp WindowHarness.h
    LIBS tunk_window tunk_spacebar Qt6::Test)
endif()
# The kit window: pads played, edited, loaded, saved.
if(TARGET tunk_window)
  tunk_test(kit_window_test SOURCES KitWindowTest.cpp WindowHarness.h
    ${TUNK_ROOT}/tests/plugin/AllocationCounter.cpp
    LIBS tunk_window tunk_spacebar Qt6::Test)
  # Its panels start among the factory kits.
  add_dependencies(kit_window_test factory_kits)
endif()
# The window on a small screen (1280 by 1024 at twice the scale), in a program of its own:
# the scale is set before its application starts.
if(TARGET tunk_window AND TARGET tunk_app)
  tunk_test(window_scale_test SOURCES WindowScaleTest.cpp WindowHarness.h
    LIBS tunk_app tunk_window tunk_spacebar Qt6::Test)
endif()
# The kit window's step grid: its edits and undo, and the live beat against the rendered loop.
if(TARGET tunk_window)
  tunk_test(pattern_grid_test SOURCES PatternGridTest.cpp WindowHarness.h
    LIBS tunk_window tunk_spacebar Qt6::Test PkgConfig::SNDFILE)
endif()
