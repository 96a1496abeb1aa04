tunk_bench(tunk_generate_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/GenerateBench.cpp LIBS tunk_engine)
