# Settings of the browser build, configured with emcmake (scripts/web does
# it in ./build-web). Only the game, the headless and the web backends are
# compiled; tests, the window and the install rules belong to the native
# build.
set(BUILD_TESTING OFF CACHE BOOL "The browser build has no unit tests" FORCE)

# The native build whose asset compilers (sheetc, fontc, stagec, midic,
# oggc) run at build time.
set(KOLVAR_HOST_BUILD ${CMAKE_SOURCE_DIR}/build CACHE PATH
  "Native build folder holding the asset compilers")

# The game's faults, and the headless close request, travel as C++
# exceptions; emscripten leaves catching them off unless asked.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
