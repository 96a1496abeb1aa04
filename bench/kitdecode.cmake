# Reading a kit's text: the worst shapes a file under the size limit can take.
tunk_bench(tunk_kit_decode_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/KitDecodeBench.cpp LIBS tunk_kit_codec tunk_new_kit)
