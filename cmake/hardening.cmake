# Checked builds for CI and for hunting faults.
#   -DKOLVAR_SANITIZE=ON  everything (game, tools, tests) with AddressSanitizer
#                         and UndefinedBehaviorSanitizer; any report aborts.
#   -DKOLVAR_FUZZ=ON      also the libFuzzer targets under tests/fuzz (clang
#                         only; implies KOLVAR_SANITIZE).
option(KOLVAR_SANITIZE "Build with -fsanitize=address,undefined" OFF)
option(KOLVAR_FUZZ "Build the libFuzzer targets (clang)" OFF)

if(KOLVAR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KOLVAR_FUZZ=ON needs clang: configure with CXX=clang++")
  endif()
  set(KOLVAR_SANITIZE ON)
  # Coverage feedback for the fuzzers in every library they link.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(KOLVAR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
