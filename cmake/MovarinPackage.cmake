# The Debian package: `cpack` in the build folder (scripts/package.sh) writes
# build/package/movarin_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME movarin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The project has no contact address yet (see data/debian/lintian-overrides).
set(CPACK_PACKAGE_CONTACT "Movarin developers <movarin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert videos for a WALKMAN portable player")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Movarin gathers video files or DVD chapters in a conversion list and\n\
converts them with FFmpeg: MP4 video into the output folder, MP4 video\n\
straight onto a WALKMAN connected over USB, or the sound as MP3. The user\n\
interface is in Japanese or English.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from what the binaries link (dpkg-shlibdeps); the rest is
# what Movarin needs at run time that no link shows: the encoder, Qt's
# platform plugins, Qt's Japanese translations and a Japanese Gothic font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "ffmpeg, qt6-qpa-plugins, qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk")
# Opening the output folder goes through the desktop's xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
