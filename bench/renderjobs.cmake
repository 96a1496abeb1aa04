# tunk-render of a 1000-sound pack on one thread and on every processor.
tunk_bench(tunk_render_jobs_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/RenderJobsBench.cpp LIBS tunk_preset)
target_compile_definitions(tunk_render_jobs_bench PRIVATE TUNK_RENDER_PATH="$<TARGET_FILE:tunk-render>")
add_dependencies(tunk_render_jobs_bench tunk-render)
