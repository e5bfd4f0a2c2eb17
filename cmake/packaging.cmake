# The release, written into <build dir>/package by the target `release`, which a plain build leaves
# out (the build presets windows-release and windows-i686-release, and ./test, build it):
#   korvane-<version>-win64.zip (or -win32 for a 32-bit build): one folder holding korvane.exe,
#     its voice pack, the stand-in tracker with a demo pass, README.html (the user's part of
#     README.md, written by packaging/readme_html.py) with the window's picture beside it and
#     LICENSE, all side by side - korvane.exe finds its WAV files in its own directory - and
#     the folders phonetic/ (the phonetic voice pack) and default/ (the default pack again);
#   korvane-<version>-win64.msi: the installer, built with wixl from packaging/korvane.wxs, of
#     the same files;
#   SHA256SUMS naming both.
# Two builds of the same commit give the same bytes (packaging/release.py).
# Signed: given KORVANE_SIGN_CERT and KORVANE_SIGN_KEY (PEM files), KORVANE_SIGN_URL (the
# project's page, named in the signature beside "Korvane <version>") and either
# KORVANE_SIGN_TIMESTAMP_URL (an RFC 3161 time-stamp server) or KORVANE_SIGN_WITHOUT_TIMESTAMP
# (signatures that turn invalid when the certificate expires), the programs and the MSI are
# signed with osslsigncode and each signature is published beside the packages (*.p7s). Given instead
# KORVANE_SIGNATURES (a folder of published *.p7s), those are attached to this build's
# unsigned files: a signed release rebuilt to the byte.
include_guard(GLOBAL)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KORVANE_PACKAGE_SYSTEM win64)
  set(KORVANE_MSI_ARCH x64)
else()
  set(KORVANE_PACKAGE_SYSTEM win32)
  set(KORVANE_MSI_ARCH x86)
endif()
set(KORVANE_PACKAGE_NAME "korvane-${PROJECT_VERSION}-${KORVANE_PACKAGE_SYSTEM}")
set(KORVANE_RELEASE_DIR "${CMAKE_BINARY_DIR}/package")

find_package(Python3 COMPONENTS Interpreter)
find_program(KORVANE_WIXL wixl)
find_program(KORVANE_MSIBUILD msibuild)
find_program(KORVANE_OSSLSIGNCODE osslsigncode)
set(KORVANE_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate (PEM) of the release; unsigned without")
set(KORVANE_SIGN_KEY "" CACHE FILEPATH "Private key (PEM) of KORVANE_SIGN_CERT")
set(KORVANE_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for the signatures")
option(KORVANE_SIGN_WITHOUT_TIMESTAMP "Sign with no time stamp: the signatures expire with the certificate" OFF)
set(KORVANE_SIGN_URL "" CACHE STRING "The project's page, named in the signatures")
set(KORVANE_SIGNATURES "" CACHE PATH "Folder of a published release's signatures (*.p7s) to attach")
if(NOT TARGET korvane OR NOT TARGET satpc32-standin OR NOT Python3_Interpreter_FOUND)
  message(STATUS "Release: not built (needs korvane.exe, the stand-in and Python 3)")
  return()
endif()
set(msi_args "")
if(KORVANE_WIXL AND KORVANE_MSIBUILD)
  set(msi_args --wixl "${KORVANE_WIXL}" --msibuild "${KORVANE_MSIBUILD}"
               --wxs "${PROJECT_SOURCE_DIR}/packaging/korvane.wxs"
               --icon "${PROJECT_SOURCE_DIR}/src/windows/korvane.ico")
else()
  message(WARNING "Release: no MSI: wixl or msibuild is missing (Debian packages wixl, msitools); "
                  "the zip is still built")
endif()
set(sign_args "")
if(KORVANE_OSSLSIGNCODE)
  list(APPEND sign_args --osslsigncode "${KORVANE_OSSLSIGNCODE}")
endif()
if(KORVANE_SIGN_CERT OR KORVANE_SIGN_KEY)
  list(APPEND sign_args --sign-cert "${KORVANE_SIGN_CERT}" --sign-key "${KORVANE_SIGN_KEY}"
       --sign-url "${KORVANE_SIGN_URL}")
  if(KORVANE_SIGN_TIMESTAMP_URL)
    list(APPEND sign_args --sign-timestamp-url "${KORVANE_SIGN_TIMESTAMP_URL}")
  endif()
  if(KORVANE_SIGN_WITHOUT_TIMESTAMP)
    list(APPEND sign_args --sign-without-timestamp)
  endif()
  message(STATUS "Release: signed with ${KORVANE_SIGN_CERT}")
elseif(KORVANE_SIGNATURES)
  list(APPEND sign_args --signatures "${KORVANE_SIGNATURES}")
  message(STATUS "Release: the signatures in ${KORVANE_SIGNATURES} attached")
endif()
set(folder_args "")
foreach(folder default phonetic)
  string(TOUPPER ${folder} upper)
  if(KORVANE_VOICE_${upper}_FILES)
    list(APPEND folder_args --folder ${folder} ${KORVANE_VOICE_${upper}_FILES})
  endif()
endforeach()
if(NOT KORVANE_VOICE_FILES)
  message(STATUS "Release: no voice pack; the packages will hold no WAV files")
endif()

# The README that Windows opens by double-click, made of the user's part of README.md, with the
# picture of the window it shows. It carries the version and the date of the last commit, so it
# is written afresh by every build of the release, as the packages are. A signed release's README
# keeps what README.md marks for signed releases, else for unsigned ones.
set(KORVANE_SHIPPED_README "${CMAKE_BINARY_DIR}/release-docs/README.html")
set(readme_kind "")
if(KORVANE_SIGN_CERT OR KORVANE_SIGNATURES)
  set(readme_kind --signed)
endif()
set(KORVANE_README_COMMAND
    "${Python3_EXECUTABLE}" "${PROJECT_SOURCE_DIR}/packaging/readme_html.py" --version "${PROJECT_VERSION}"
    ${readme_kind} "${PROJECT_SOURCE_DIR}/README.md" "${KORVANE_SHIPPED_README}")

# What goes into the release, for the target and for the checks that make releases of their own.
set(KORVANE_RELEASE_INPUTS
    --version "${PROJECT_VERSION}" --source-dir "${PROJECT_SOURCE_DIR}"
    --program "$<TARGET_FILE:korvane>"
    --docs "${KORVANE_SHIPPED_README}" "${PROJECT_SOURCE_DIR}/docs/korvane-window.png"
           "${PROJECT_SOURCE_DIR}/LICENSE"
    --voice ${KORVANE_VOICE_FILES}
    ${folder_args}
    --tools "$<TARGET_FILE:satpc32-standin>" "${PROJECT_SOURCE_DIR}/tools/pass-demo.txt"
    ${msi_args})
add_custom_target(release
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/release-docs"
  COMMAND ${KORVANE_README_COMMAND}
  COMMAND "${Python3_EXECUTABLE}" "${PROJECT_SOURCE_DIR}/packaging/release.py"
          --name "${KORVANE_PACKAGE_NAME}" --arch ${KORVANE_MSI_ARCH}
          --out "${KORVANE_RELEASE_DIR}" --work "${CMAKE_BINARY_DIR}/release-work"
          ${KORVANE_RELEASE_INPUTS} ${sign_args}
  BYPRODUCTS "${KORVANE_SHIPPED_README}"
  COMMENT "Writing the release into ${KORVANE_RELEASE_DIR}"
  VERBATIM)
add_dependencies(release korvane satpc32-standin)
if(TARGET korvane_voice_pack)
  add_dependencies(release korvane_voice_pack)
endif()

add_subdirectory("${PROJECT_SOURCE_DIR}/tests/release" "${CMAKE_BINARY_DIR}/tests/release")
