# tunk_target(<target>): the warnings and floating-point rules every target of ours uses.
# No fused multiply-add and no fast-math: the engine's rounding steps are part of its output.
function(tunk_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -ffp-contract=off -fno-fast-math)
  target_include_directories(${target} PUBLIC ${TUNK_ROOT})
endfunction()

# tunk_library(<name> [QT] SOURCES <files...> LIBS <libs...>): a static library of ours,
# or an interface library while its folder has no sources yet.
function(tunk_library name)
  cmake_parse_arguments(L "QT" "" "SOURCES;LIBS" ${ARGN})
  list(FILTER L_SOURCES INCLUDE REGEX "\\.(cpp|h)$")
  set(compiled ${L_SOURCES})
  list(FILTER compiled INCLUDE REGEX "\\.cpp$")
  if(compiled)
    add_library(${name} STATIC ${L_SOURCES})
    tunk_target(${name})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
    if(L_QT)
      set_target_properties(${name} PROPERTIES AUTOMOC ON)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${TUNK_ROOT})
    target_link_libraries(${name} INTERFACE ${L_LIBS})
  endif()
endfunction()
