# Puts the site together at build time (web/CMakeLists.txt runs it with
# -DSOURCE=web/ -DPROGRAM_DIR=<where kolvar.js is> -DSITE=<the site>): the
# page's files and the two programs copied, and the programs' sizes written
# into index.html for the loading bar.
file(MAKE_DIRECTORY ${SITE})
file(COPY ${SOURCE}/loader.js ${SOURCE}/page.js ${SOURCE}/editor_page.js ${PROGRAM_DIR}/kolvar.js
     ${PROGRAM_DIR}/kolvar.wasm ${PROGRAM_DIR}/kolvar-editor.js ${PROGRAM_DIR}/kolvar-editor.wasm
     DESTINATION ${SITE})
file(SIZE ${PROGRAM_DIR}/kolvar.wasm KOLVAR_WASM_BYTES)
file(SIZE ${PROGRAM_DIR}/kolvar-editor.wasm KOLVAR_EDITOR_WASM_BYTES)
configure_file(${SOURCE}/index.html ${SITE}/index.html @ONLY)
# Each output newer than what it was made from, so the build does not make
# them again (file(COPY) keeps the sources' times, configure_file an
# unchanged file's).
foreach(name index.html loader.js page.js editor_page.js kolvar.js kolvar.wasm kolvar-editor.js
             kolvar-editor.wasm)
  file(TOUCH ${SITE}/${name})
endforeach()
