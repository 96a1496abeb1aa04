# What a user feels: window response, key to sound, start-up, and tunk-render against sox.
if(TARGET tunk_window)
  tunk_bench(tunk_ui_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/UiBench.cpp LIBS tunk_window tunk_spacebar Qt6::Test)
endif()

if(TARGET tunk)
  # The application's start-up, ending at its first window; kept out of bench/ itself so that
  # the benchmark runner does not take it for a benchmark.
  add_executable(tunk_startup_probe ${CMAKE_CURRENT_LIST_DIR}/StartupProbe.cpp)
  tunk_target(tunk_startup_probe)
  set_target_properties(tunk_startup_probe PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)
  target_link_libraries(tunk_startup_probe PRIVATE tunk_app)
  tunk_bench(tunk_startup_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/StartupBench.cpp)
  target_compile_definitions(tunk_startup_bench PRIVATE
    TUNK_STARTUP_PROBE="$<TARGET_FILE:tunk_startup_probe>")
  add_dependencies(tunk_startup_bench tunk_startup_probe)
endif()

tunk_bench(tunk_render_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/RenderBench.cpp)
target_compile_definitions(tunk_render_bench PRIVATE TUNK_RENDER_PATH="$<TARGET_FILE:tunk-render>")
add_dependencies(tunk_render_bench tunk-render)
