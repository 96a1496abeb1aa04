# The editor window, driven headless through its widgets and message queue.
if(TARGET tunk_window)
  tunk_test(tunk_window_test SOURCES TunkWindowTest.cpp PresetWindowTest.cpp UndoMenuTest.cpp WindowHarness.h
    LIBS tunk_window tunk_spacebar Qt6::Test)
endif()
# The undo history alone, without any window toolkit.
if(TARGET tunk_preset AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/HistoryTest.cpp)
  tunk_test(window_history_test SOURCES HistoryTest.cpp ${TUNK_ROOT}/window/History.cpp
    LIBS tunk_preset)
endif()
