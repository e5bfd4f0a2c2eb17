# Makes WAV files that Korvane cannot use (or that would make a sluggish warning) and checks
# that korvane_check_wav rejects each of them with the right reason, and accepts a good one.
#   cmake -DSOX=<sox> -DWORK_DIR=<dir> -P check_voice_pack_self_test.cmake
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/wav_check.cmake")

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

function(make_wav name)
  execute_process(COMMAND "${SOX}" -n ${ARGN} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

set(tone synth 0.5 sine 440 vol 0.5)
make_wav(good.wav        -r 22050 -c 1 -b 16 "${WORK_DIR}/good.wav" ${tone})
make_wav(good44k.wav     -r 44100 -c 1 -b 16 "${WORK_DIR}/good44k.wav" ${tone})
make_wav(stereo.wav      -r 22050 -c 2 -b 16 "${WORK_DIR}/stereo.wav" ${tone})
make_wav(8bit.wav        -r 22050 -c 1 -b 8 "${WORK_DIR}/8bit.wav" ${tone})
make_wav(float.wav       -r 22050 -c 1 -b 32 -e floating-point "${WORK_DIR}/float.wav" ${tone})
make_wav(48k.wav         -r 48000 -c 1 -b 16 "${WORK_DIR}/48k.wav" ${tone})
make_wav(long.wav        -r 22050 -c 1 -b 16 "${WORK_DIR}/long.wav" synth 3 sine 440 vol 0.5)
make_wav(quiet.wav       -r 22050 -c 1 -b 16 "${WORK_DIR}/quiet.wav" synth 0.5 sine 440 vol 0.05)
make_wav(extensible.wav  -r 22050 -c 1 -b 24 "${WORK_DIR}/extensible.wav" ${tone})
# Cut off in the middle of its samples.
execute_process(COMMAND head -c 4000 "${WORK_DIR}/good.wav"
                OUTPUT_FILE "${WORK_DIR}/truncated.wav" COMMAND_ERROR_IS_FATAL ANY)
file(WRITE "${WORK_DIR}/text.wav" "RIFF? no, this is a text file that only has a .wav name\n")

# file : expected problem (a regular expression; empty for a file that must pass)
set(cases
  "good.wav|"
  "good44k.wav|"
  "stereo.wav|2 channels"
  "8bit.wav|8 bits"
  "float.wav|format tag 3"
  "48k.wav|48000 Hz"
  "long.wav|lasts 3000 ms"
  "quiet.wav|silent"
  "extensible.wav|format tag 65534"
  "truncated.wav|claims 22094 bytes, file has 4000"
  "text.wav|not a RIFF/WAVE"
  "absent.wav|missing")

set(failures "")
foreach(case IN LISTS cases)
  string(FIND "${case}" "|" bar)
  string(SUBSTRING "${case}" 0 ${bar} name)
  math(EXPR after "${bar} + 1")
  string(SUBSTRING "${case}" ${after} -1 expected)
  korvane_check_wav("${WORK_DIR}/${name}" 150 1000 problem)
  if(expected STREQUAL "")
    if(NOT problem STREQUAL "")
      list(APPEND failures "  ${name}: should pass, was rejected: ${problem}")
    endif()
  elseif(NOT problem MATCHES "${expected}")
    list(APPEND failures "  ${name}: should be rejected for '${expected}', got '${problem}'")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n" report)
  message(FATAL_ERROR "the WAV check misjudged:\n${report}")
endif()
list(LENGTH cases count)
message(STATUS "the WAV check judged all ${count} sample files rightly")
