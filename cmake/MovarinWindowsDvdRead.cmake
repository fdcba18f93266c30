# libdvdread for the encoder front on Windows: the static library that
# scripts/windows/ffmpeg.sh builds from Debian's source beside the Windows
# FFmpeg; the front needs it to read a DVD's languages.
# Gives Movarin::DvdRead and MOVARIN_DVDREAD_FOUND.
if(DEFINED ENV{MOVARIN_WINDOWS_CACHE})
  set(_dvdread_default "$ENV{MOVARIN_WINDOWS_CACHE}/ffmpeg-mingw/dvdread")
else()
  set(_dvdread_default /var/cache/movarin/ffmpeg-mingw/dvdread)
endif()
set(MOVARIN_DVDREAD_ROOT "${_dvdread_default}" CACHE PATH
    "Prefix of the static libdvdread for Windows (scripts/windows/ffmpeg.sh)")
# Found by its exact paths: the toolchain searches libraries only under the mingw roots.
if(EXISTS "${MOVARIN_DVDREAD_ROOT}/lib/libdvdread.a"
   AND EXISTS "${MOVARIN_DVDREAD_ROOT}/include/dvdread/ifo_read.h")
  add_library(Movarin::DvdRead STATIC IMPORTED)
  set_target_properties(Movarin::DvdRead PROPERTIES
    IMPORTED_LOCATION "${MOVARIN_DVDREAD_ROOT}/lib/libdvdread.a"
    INTERFACE_INCLUDE_DIRECTORIES "${MOVARIN_DVDREAD_ROOT}/include")
  set(MOVARIN_DVDREAD_FOUND ON)
  message(STATUS "libdvdread for Windows: ${MOVARIN_DVDREAD_ROOT}")
else()
  set(MOVARIN_DVDREAD_FOUND OFF)
  message(STATUS "libdvdread for Windows: not in ${MOVARIN_DVDREAD_ROOT} ")
endif()
