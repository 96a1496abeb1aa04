tunk_bench(tunk_player_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlayerBench.cpp LIBS tunk_engine)
