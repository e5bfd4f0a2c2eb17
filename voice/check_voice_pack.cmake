# Checks the voice pack in VOICE_DIR: bell.wav, satellite.wav, IsRising.wav and one file for
# each character of CHARACTERS (a string such as "AB0"), each a playable WAV of sane length.
#   cmake -DVOICE_DIR=<dir> -DCHARACTERS=<characters> -P check_voice_pack.cmake
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/wav_check.cmake")

if(NOT IS_DIRECTORY "${VOICE_DIR}")
  message(FATAL_ERROR "voice pack directory ${VOICE_DIR} does not exist")
endif()
string(LENGTH "${CHARACTERS}" count)
if(count EQUAL 0)
  message(FATAL_ERROR "-DCHARACTERS=... is required")
endif()

# file name : shortest : longest, in milliseconds. Each spelt character is kept short so that
# a name such as AO-7 is spoken briskly.
set(expectations bell.wav:300:2000 satellite.wav:300:1500 IsRising.wav:300:1500)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(SUBSTRING "${CHARACTERS}" ${i} 1 character)
  list(APPEND expectations ${character}.wav:150:1000)
endforeach()

set(failures "")
foreach(expectation IN LISTS expectations)
  string(REPLACE ":" ";" fields "${expectation}")
  list(GET fields 0 name)
  list(GET fields 1 min_ms)
  list(GET fields 2 max_ms)
  korvane_check_wav("${VOICE_DIR}/${name}" ${min_ms} ${max_ms} problem)
  if(problem)
    list(APPEND failures "  ${name}: ${problem}")
  endif()
endforeach()

list(LENGTH expectations checked)
if(failures)
  list(JOIN failures "\n" report)
  message(FATAL_ERROR "voice pack in ${VOICE_DIR}:\n${report}")
endif()
message(STATUS "voice pack in ${VOICE_DIR}: all ${checked} files are playable and of sane length")
