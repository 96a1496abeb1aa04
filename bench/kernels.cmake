tunk_bench(tunk_kernels_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ExpNumeratorsBench.cpp LIBS tunk_core)
