if(TUNK_ASAN AND TUNK_TSAN)
  message(FATAL_ERROR "TUNK_ASAN and TUNK_TSAN cannot be combined")
endif()
if(TUNK_ASAN)
  # float-cast-overflow is not part of g++'s "undefined": a non-number or an out-of-range
  # value converted to an integer is exactly what bad input produces, so it is asked for.
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow
    -fno-sanitize-recover=undefined,float-cast-overflow -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()
if(TUNK_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(TUNK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TUNK_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  # Our code is instrumented for coverage and checked by ASan and UBSan; the fuzz targets
  # themselves link libFuzzer's main (fuzz/CMakeLists.txt).
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # Every input is rendered: a bound of a few seconds keeps each run short while a longer
  # duration still takes the refusal path.
  add_compile_definitions(TUNK_MAX_SOUND_SECONDS=4)
endif()
