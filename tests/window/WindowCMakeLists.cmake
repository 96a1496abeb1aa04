# The editor window, driven headless through its widgets and message queue.
if(TARGET tunk_window)
  tunk_test(tunk_window_test SOURCES TunkWindowTest.cpp PresetWindowTest.cpp UndoMenuTest.cpp ParamRowsTest.cpp TableControlsTest.cpp WindowHarness.h
    LIBS tunk_window tunk_spacebar Qt6::Test)
endif()
# The kit window: pads played, edited, loaded, saved.
if(TARGET tunk_window)
  tunk_test(kit_window_test SOURCES KitWindowTest.cpp WindowHarness.h
    LIBS tunk_window tunk_spacebar Qt6::Test)
endif()
