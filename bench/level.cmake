# The level display's share of a regeneration.
if(TARGET tunk_window)
  tunk_bench(tunk_level_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/LevelBench.cpp LIBS tunk_window)
endif()
