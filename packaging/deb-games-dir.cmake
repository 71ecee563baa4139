# Run by CPack on the Debian package's staging tree before it is packed:
# Debian keeps the commands of games in /usr/games, so the launcher moves
# there from /usr/bin. It finds the rest of the installation one level up,
# as from bin/.
set(usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT EXISTS ${usr}/bin/vantora3)
  message(FATAL_ERROR "deb-games-dir: no launcher in ${usr}/bin")
endif()
file(MAKE_DIRECTORY ${usr}/games)
file(RENAME ${usr}/bin/vantora3 ${usr}/games/vantora3)
file(REMOVE_RECURSE ${usr}/bin)
