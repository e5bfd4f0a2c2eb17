# Fails, saying how to build it, when the release of this build tree is missing or older than
# korvane.exe: the checks of the release (fixture release_package) then stop on that message
# rather than check a stale release or fail each on its own.
#   cmake -DPACKAGE_DIR=DIR -DNAME=korvane-<version>-<system> -DMSI=0|1 -DPROGRAM=korvane.exe
#         -P release_built.cmake
set(how "the release is built only when asked, by the target release (cmake --build --preset "
        "windows-release or windows-i686-release; cmake --workflow --preset windows builds it too)")
string(JOIN "" how ${how})
set(wanted "${NAME}.zip" SHA256SUMS)
if(MSI)
  list(APPEND wanted "${NAME}.msi")
endif()
foreach(file IN LISTS wanted)
  set(path "${PACKAGE_DIR}/${file}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${path} is missing: ${how}")
  endif()
  # IS_NEWER_THAN is also true for equal times, which a fast build can give.
  if("${PROGRAM}" IS_NEWER_THAN "${path}" AND NOT "${path}" IS_NEWER_THAN "${PROGRAM}")
    message(FATAL_ERROR "${path} is older than ${PROGRAM}: ${how}")
  endif()
endforeach()
message(STATUS "The release in ${PACKAGE_DIR} is built from this korvane.exe")
