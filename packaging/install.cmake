# Installation for players: the program in libexec, its art in share, a
# launcher in bin that prepares a per-user run directory, a desktop entry,
# icons, a man page and a software-centre (AppStream) entry; and the Debian
# package of all of it (cmake --build build --target package).
#
# The version is the project's; the texts below are written once here and
# filled into the launcher's --help, the AppStream entry and the package.

include(GNUInstallDirs)

set(V3_APP_ID io.github.vantora3.vantora3)
set(V3_RELEASE_DATE 2026-12-10)
set(V3_SUMMARY "Single-player 2-D space shooter")
set(V3_ABOUT "Your ship flies at the bottom of the screen; fighters, asteroids and,
from level 10, enemy ships come down. Shoot them, dodge them, pick up
health, and watch the level rise with your score.")
set(V3_MAINTAINER "Vantora3 developers <vantora3@users.noreply.github.com>")
set(V3_HOMEPAGE https://github.com/vantora3/vantora3)
set(V3_SCREENSHOT_URL https://raw.githubusercontent.com/vantora3/vantora3/main/docs/play-screen.png)

set(V3_INSTALL_LIBEXEC ${CMAKE_INSTALL_LIBEXECDIR}/vantora3)
set(V3_INSTALL_DATA ${CMAKE_INSTALL_DATADIR}/vantora3)
set(V3_INSTALL_DOC ${CMAKE_INSTALL_DATADIR}/doc/vantora3)
set(V3_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
file(RELATIVE_PATH V3_BIN_TO_PREFIX /prefix/${CMAKE_INSTALL_BINDIR} /prefix)

# The key list, in the launcher's columns and as AppStream list items.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/keys.txt v3_key_lines REGEX "^[^#]")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/keys.txt)
function(v3_pad text width out)
  string(LENGTH "${text}" length)
  set(spaces " ")
  if(length LESS width)
    math(EXPR missing "${width} - ${length}")
    string(REPEAT " " ${missing} spaces)
  endif()
  set(${out} "${text}${spaces}" PARENT_SCOPE)
endfunction()
v3_pad("keyboard" 17 V3_HELP_KEYS)
set(V3_HELP_KEYS "  ${V3_HELP_KEYS}gamepad\n")
set(V3_METAINFO_KEYS "")
foreach(line IN LISTS v3_key_lines)
  if(NOT line MATCHES "^([^|]*)\\|([^|]*)\\|(.*)$")
    message(FATAL_ERROR "packaging/keys.txt: not 'keyboard | gamepad | action': ${line}")
  endif()
  string(STRIP "${CMAKE_MATCH_1}" keyboard)
  string(STRIP "${CMAKE_MATCH_2}" gamepad)
  string(STRIP "${CMAKE_MATCH_3}" action)
  v3_pad("${keyboard}" 17 column)
  v3_pad("${column}${gamepad}" 37 column)
  string(APPEND V3_HELP_KEYS "  ${column}${action}\n")
  if(gamepad)
    string(APPEND V3_METAINFO_KEYS "      <li>${keyboard} (gamepad: ${gamepad}): ${action}</li>\n")
  else()
    string(APPEND V3_METAINFO_KEYS "      <li>${keyboard}: ${action}</li>\n")
  endif()
endforeach()
string(REGEX REPLACE "\n$" "" V3_HELP_KEYS "${V3_HELP_KEYS}")

configure_file(packaging/vantora3.in ${V3_PACKAGING_OUT}/vantora3 @ONLY)
configure_file(packaging/metainfo.xml.in ${V3_PACKAGING_OUT}/${V3_APP_ID}.metainfo.xml @ONLY)
configure_file(packaging/vantora3.6 ${V3_PACKAGING_OUT}/vantora3.6 @ONLY)

# The documents a Debian package carries: the licence in the machine-readable
# copyright format, and a changelog; man page and changelog gzip-compressed
# without a time stamp, so that the same sources give the same package.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE v3_license)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
string(FIND "${v3_license}" "Permission is hereby granted" v3_grant)
string(SUBSTRING "${v3_license}" ${v3_grant} -1 v3_license)
string(STRIP "${v3_license}" v3_license)
string(REPLACE "\n" "\n " v3_license "${v3_license}")
string(REPLACE "\n \n" "\n .\n" V3_LICENSE_TEXT "${v3_license}")
configure_file(packaging/copyright.in ${V3_PACKAGING_OUT}/copyright @ONLY)
execute_process(COMMAND date -u -R -d ${V3_RELEASE_DATE} OUTPUT_VARIABLE V3_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(packaging/changelog.in ${V3_PACKAGING_OUT}/changelog @ONLY)
find_program(V3_GZIP gzip REQUIRED)
foreach(doc vantora3.6 changelog)
  execute_process(COMMAND ${V3_GZIP} -9nc ${V3_PACKAGING_OUT}/${doc} OUTPUT_FILE ${V3_PACKAGING_OUT}/${doc}.gz
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# Symbols bound at start-up, so the whole relocation table can be read-only.
target_link_options(vantora3 PRIVATE -Wl,-z,relro,-z,now)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS vantora3 RUNTIME DESTINATION ${V3_INSTALL_LIBEXEC})
# A stripped install (the package's) also drops the compilers' notes, as
# Debian's own packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${V3_INSTALL_LIBEXEC}/vantora3\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(DIRECTORY ${V3_RUN_DIR}/GFX/ DESTINATION ${V3_INSTALL_DATA}/GFX PATTERN ".generated" EXCLUDE)
install(PROGRAMS ${V3_PACKAGING_OUT}/vantora3 DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/${V3_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${V3_PACKAGING_OUT}/${V3_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48x48 128x128)
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}/vantora3.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()
install(FILES ${V3_PACKAGING_OUT}/vantora3.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${V3_PACKAGING_OUT}/copyright ${V3_PACKAGING_OUT}/changelog.gz DESTINATION ${V3_INSTALL_DOC})

# The Debian package, when the build machine has dpkg.
find_program(V3_DPKG dpkg)
if(V3_DPKG)
  execute_process(COMMAND ${V3_DPKG} --print-architecture OUTPUT_VARIABLE V3_DEB_ARCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(V3_DEB_FILE_NAME vantora3_${PROJECT_VERSION}_${V3_DEB_ARCH}.deb)
  set(V3_DEB_FILE ${CMAKE_BINARY_DIR}/${V3_DEB_FILE_NAME})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME vantora3)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_VENDOR "Vantora3 developers")
  set(CPACK_PACKAGE_CONTACT "${V3_MAINTAINER}")
  set(CPACK_PACKAGE_HOMEPAGE_URL ${V3_HOMEPAGE})
  # The synopsis is the AppStream summary; CPack puts it before the rest.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${V3_SUMMARY}")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${V3_ABOUT}")
  set(CPACK_DEBIAN_FILE_NAME ${V3_DEB_FILE_NAME})
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${V3_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The libraries' packages come from dpkg-shlibdeps; the font is looked up
  # by fontconfig at run time ("Arial" resolves to Liberation Sans).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation2)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb-games-dir.cmake)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
  include(CPack)
endif()
