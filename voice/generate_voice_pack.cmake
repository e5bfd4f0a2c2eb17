# Writes the voice pack that korvane.exe plays: bell.wav, satellite.wav, IsRising.wav and one
# file per letter A-Z and digit 0-9, each 16-bit PCM mono WAV at 22050 Hz, trimmed of silence.
#
# Run as a script:
#   cmake -DESPEAK_NG=<espeak-ng> -DSOX=<sox> -DOUT_DIR=<dir> -DWORK_DIR=<dir> -P generate_voice_pack.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var IN ITEMS ESPEAK_NG SOX OUT_DIR WORK_DIR)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "generate_voice_pack.cmake: -D${var}=... is required")
  endif()
endforeach()

set(voice en-us)    # letters as American English names ("zee", "zero")
set(words_per_minute 155)
set(rate 22050)
set(output_format -t wavpcm -r ${rate} -c 1 -b 16 -e signed-integer)
# Cut silence below 0.5 % of full scale at both ends, bring the peak to -1 dBFS and leave a
# short gap after each sound so that spelt characters stay apart.
set(trim_effects silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse norm -1 pad 0.01 0.06)

# Every sox call takes -D: its default dither adds random noise, and two builds of the same
# source must give the same files.
file(MAKE_DIRECTORY "${OUT_DIR}" "${WORK_DIR}")

function(run)
  execute_process(COMMAND ${ARGN} COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
endfunction()

# Speaks markup (espeak-ng SSML) into OUT_DIR/<file_name>.
function(speak file_name ssml)
  set(raw "${WORK_DIR}/${file_name}")
  run("${ESPEAK_NG}" -v ${voice} -s ${words_per_minute} -m -w "${raw}" "<speak>${ssml}</speak>")
  run("${SOX}" -D "${raw}" ${output_format} "${OUT_DIR}/${file_name}" ${trim_effects})
  file(REMOVE "${raw}")
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
foreach(partial_spec IN LISTS partials)
  string(REPLACE ":" ";" partial "${partial_spec}")
  list(GET partial 0 ratio)
  list(GET partial 1 amplitude)
  list(GET partial 2 fade_seconds)
  math(EXPR index "${index} + 1")
  # CMake's math() is integer only; hundredths of a hertz are precise enough for a bell.
  string(REPLACE "." "" ratio_hundredths "${ratio}")
  math(EXPR hz "${bell_base_hz} * ${ratio_hundredths} / 100")
  set(partial_file "${WORK_DIR}/bell-partial-${index}.wav")
  run("${SOX}" -D -n -r ${rate} -c 1 -b 16 "${partial_file}"
      synth ${fade_seconds} sine ${hz} vol ${amplitude} fade l 0.003 ${fade_seconds} ${fade_seconds})
  list(APPEND partial_files "${partial_file}")
endforeach()
run("${SOX}" -D -m ${partial_files} ${output_format} "${OUT_DIR}/bell.wav" norm -3 pad 0 0.05)
file(REMOVE ${partial_files})

speak(satellite.wav "satellite")
speak(IsRising.wav "is rising")

set(characters A B C D E F G H I J K L M N O P Q R S T U V W X Y Z 0 1 2 3 4 5 6 7 8 9)
foreach(character IN LISTS characters)
  # Spoken as a character: "A" alone could otherwise be read as the article.
  speak(${character}.wav "<say-as interpret-as=\"characters\">${character}</say-as>")
endforeach()
