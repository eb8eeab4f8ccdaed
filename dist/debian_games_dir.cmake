# Run by cpack on the staged files of a package before it is made. For the
# Debian package: the program moves from /usr/bin to /usr/games, where Debian
# keeps the programs of games (its data stays where it finds it, at
# ../share/kolvar); it loses the .comment and .note sections that Debian's
# own packages strip; and the licence is left to the copyright file, which
# holds the same text.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(staged ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
  if(EXISTS ${staged}/bin/kolvar)
    file(MAKE_DIRECTORY ${staged}/games)
    file(RENAME ${staged}/bin/kolvar ${staged}/games/kolvar)
    file(REMOVE_RECURSE ${staged}/bin)
  endif()
  find_program(KOLVAR_STRIP strip)
  if(KOLVAR_STRIP)
    execute_process(COMMAND ${KOLVAR_STRIP} --remove-section=.comment --remove-section=.note
                            ${staged}/games/kolvar COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE ${staged}/share/doc/kolvar/LICENSE)
endif()
