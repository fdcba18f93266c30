# Install rules: the program and its encoder front in a private folder of
# the prefix (the front is found relative to the program's folder), a link in
# bin/, the desktop entry, hicolor icons, AppStream metainfo, the man page and
# the documents Debian expects of every package (copyright, changelog).
include(GNUInstallDirs)

set(MOVARIN_INSTALL_PROGRAMDIR "lib/movarin" CACHE STRING
    "Folder below the prefix that holds movarin and its lib/ffmpeg")
set(MOVARIN_APP_ID "org.movarin.movarin")

install(TARGETS movarin RUNTIME DESTINATION ${MOVARIN_INSTALL_PROGRAMDIR})
install(TARGETS movarin_encoder_front RUNTIME DESTINATION ${MOVARIN_INSTALL_PROGRAMDIR}/lib)

# A relative link, so the tree works under any prefix and inside a package.
file(RELATIVE_PATH _movarin_link_target
     /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${MOVARIN_INSTALL_PROGRAMDIR}/movarin)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install)
file(CREATE_LINK ${_movarin_link_target} ${CMAKE_BINARY_DIR}/install/movarin SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install/movarin DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/data/movarin.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/${MOVARIN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 256)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/icon/movarin-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME movarin.png)
endforeach()

# Debian keeps manual pages compressed; -n leaves the date out so the
# package's content does not change from build to build. English is the
# manual's default (data/movarin.1 in man1/); each translation is
# data/<language>/movarin.1, installed in man/<language>/man1/.
set(_movarin_manpage_files "")
foreach(language en ja)
  if(language STREQUAL "en")
    set(_page data/movarin.1)
    set(_folder man1)
  else()
    set(_page data/${language}/movarin.1)
    set(_folder ${language}/man1)
  endif()
  set(_built ${CMAKE_BINARY_DIR}/install/${_folder}/movarin.1.gz)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install/${_folder})
  add_custom_command(
    OUTPUT ${_built}
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/${_page} > ${_built}
    DEPENDS ${PROJECT_SOURCE_DIR}/${_page}
    VERBATIM)
  list(APPEND _movarin_manpage_files ${_built})
  install(FILES ${_built} DESTINATION ${CMAKE_INSTALL_MANDIR}/${_folder})
endforeach()
add_custom_target(movarin_manpage ALL DEPENDS ${_movarin_manpage_files})

# Debian's documents of the package, the changelog compressed as Debian wants it.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/install/changelog.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${CMAKE_BINARY_DIR}/install/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog
  VERBATIM)
add_custom_target(movarin_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/install/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${CMAKE_BINARY_DIR}/install/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/movarin)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME movarin)
