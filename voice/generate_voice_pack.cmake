# Writes one voice pack that korvane.exe plays: bell.wav, satellite.wav, IsRising.wav and one
# file per letter A-Z and digit 0-9, each 16-bit PCM mono WAV at 22050 Hz.
#   PACK=letters   letters spoken by name ("bee", "zee"), digits as words
#   PACK=phonetic  letters spoken in the ICAO spelling alphabet (Alfa, Bravo, ... Zulu)
#
# The speech comes from flite's "awb" voice. Every file is trimmed of silence at both ends and
# brought to the same speech loudness (RMS), so that the chain bell, satellite, A, O, 7, is
# rising sounds like one sentence; the bell stays quieter than the speech. Nothing random or
# time-dependent goes into the files: the same tools give the same bytes on every run.
#
# Run as a script:
#   cmake -DFLITE=<flite> -DSOX=<sox> -DPACK=letters|phonetic -DOUT_DIR=<dir> -DWORK_DIR=<dir>
#         -P generate_voice_pack.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var IN ITEMS FLITE SOX PACK OUT_DIR WORK_DIR)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "generate_voice_pack.cmake: -D${var}=... is required")
  endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/voice_names.cmake")
korvane_voice_texts("${PACK}" texts)

set(voice awb)
set(rate 22050)
# Loudness of speech, as the RMS level of a trimmed file in hundredths of a dB below full
# scale; no peak may go above -1 dBFS. The bell sits 6 dB below the speech.
set(speech_rms_cdb -2100)
set(bell_rms_cdb -2700)
set(peak_limit_cdb -100)
# Gap after each sound, so that spelt characters stay apart; the sound call adds a little more.
set(gap_seconds 0.05)

set(output_format -t wavpcm -r ${rate} -c 1 -b 16 -e signed-integer)
set(float_format -t wav -r ${rate} -c 1 -b 32 -e floating-point)
# Drop rumble below 70 Hz and cut silence below -60 dBFS at both ends: a higher threshold
# clips the weak onsets of b, d and g, which then sound alike.
set(trim_effects highpass 70 silence 1 0.003 -60d reverse silence 1 0.003 -60d reverse)
# Fade the edges over a few milliseconds so that no file starts or ends with a click.
set(edge_effects fade 0.003 -0 0.008)

file(MAKE_DIRECTORY "${OUT_DIR}" "${WORK_DIR}")

function(run)
  execute_process(COMMAND ${ARGN} COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
endfunction()

# sox with -D: no dither, which would add random noise when samples are cut to 16 bits.
function(sox)
  run("${SOX}" -D ${ARGN})
endfunction()

# "-12.34" -> -1234 (hundredths).
function(to_hundredths text out_var)
  if(NOT text MATCHES "^(-?)([0-9]+)\\.([0-9][0-9])$")
    message(FATAL_ERROR "generate_voice_pack.cmake: cannot read the level '${text}'")
  endif()
  math(EXPR value "${CMAKE_MATCH_2} * 100 + 1${CMAKE_MATCH_3} - 100")
  if(CMAKE_MATCH_1)
    math(EXPR value "-${value}")
  endif()
  set(${out_var} ${value} PARENT_SCOPE)
endfunction()

# -1234 -> "-12.34".
function(from_hundredths value out_var)
  set(sign "")
  if(value LESS 0)
    set(sign "-")
    math(EXPR value "-${value}")
  endif()
  math(EXPR whole "${value} / 100")
  math(EXPR part "${value} % 100 + 100")
  string(SUBSTRING "${part}" 1 2 part)
  set(${out_var} "${sign}${whole}.${part}" PARENT_SCOPE)
endfunction()

# Writes OUT_DIR/<file_name> from the float WAV <source>, with the gain that brings its RMS
# level to <rms_cdb> (or its peak to the limit, whichever is lower), and the gap after it.
function(level_and_write source file_name rms_cdb)
  execute_process(COMMAND "${SOX}" "${source}" -n stats
                  ERROR_VARIABLE stats OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCH "Pk lev dB +([-0-9.]+)" _ "${stats}")
  to_hundredths("${CMAKE_MATCH_1}" peak)
  string(REGEX MATCH "RMS lev dB +([-0-9.]+)" _ "${stats}")
  to_hundredths("${CMAKE_MATCH_1}" rms)
  math(EXPR gain "${rms_cdb} - ${rms}")
  math(EXPR peak_room "${peak_limit_cdb} - ${peak}")
  if(peak_room LESS gain)
    set(gain ${peak_room})
  endif()
  from_hundredths(${gain} gain_db)
  sox("${source}" ${output_format} "${OUT_DIR}/${file_name}" ${edge_effects} gain ${gain_db} pad 0 ${gap_seconds})
endfunction()

# Speaks <text> into OUT_DIR/<file_name>.
function(speak file_name text)
  set(raw "${WORK_DIR}/raw.wav")
  set(trimmed "${WORK_DIR}/trimmed.wav")
  run("${FLITE}" -voice ${voice} -t "${text}" -o "${raw}")
  sox("${raw}" ${float_format} "${trimmed}" ${trim_effects})
  level_and_write("${trimmed}" "${file_name}" ${speech_rms_cdb})
  file(REMOVE "${raw}" "${trimmed}")
endfunction()

# The bell: a few inharmonic partials of a struck bell, each fading out, higher ones sooner;
# sox -m mixes them, padding the shorter ones with silence.
set(bell_base_hz 880)
set(partials
  # ratio to base : amplitude : seconds to fade out
  1.00:0.50:1.10
  2.00:0.25:0.80
  2.76:0.22:0.60
  5.40:0.10:0.35
  8.93:0.05:0.20)
set(partial_files "")
set(index 0)
foreach(partial_entry IN LISTS partials)
  string(REPLACE ":" ";" partial "${partial_entry}")
  list(GET partial 0 ratio)
  list(GET partial 1 amplitude)
  list(GET partial 2 fade_seconds)
  math(EXPR index "${index} + 1")
  # CMake's math() is integer only; hundredths of a hertz are precise enough for a bell.
  string(REPLACE "." "" ratio_hundredths "${ratio}")
  math(EXPR hz "${bell_base_hz} * ${ratio_hundredths} / 100")
  set(partial_file "${WORK_DIR}/bell-partial-${index}.wav")
  sox(-n ${float_format} "${partial_file}"
      synth ${fade_seconds} sine ${hz} vol ${amplitude} fade l 0.003 ${fade_seconds} ${fade_seconds})
  list(APPEND partial_files "${partial_file}")
endforeach()
set(bell_mix "${WORK_DIR}/bell-mix.wav")
# Its ring-out ends where it falls below the threshold that trims the speech.
sox(-m ${partial_files} ${float_format} "${bell_mix}" reverse silence 1 0.003 -60d reverse)
level_and_write("${bell_mix}" bell.wav ${bell_rms_cdb})
file(REMOVE ${partial_files} "${bell_mix}")

speak(satellite.wav "satellite")
speak(IsRising.wav "is rising")
foreach(entry IN LISTS texts)
  string(FIND "${entry}" "=" equals)
  string(SUBSTRING "${entry}" 0 ${equals} character)
  math(EXPR after "${equals} + 1")
  string(SUBSTRING "${entry}" ${after} -1 text)
  speak(${character}.wav "${text}")
endforeach()
