# Listens to a voice pack the way a new user would, with a speech recogniser:
#  - every letter and digit file is decoded by pocketsphinx, held to a grammar of the pack's 36
#    words; fewer than MIN_COUNT heard right fails;
#  - satellite.wav and IsRising.wav are decoded freely (US English language model) and must
#    come out as "satellite" and "is rising";
#  - the speech files must be equally loud (RMS levels within MAX_SPREAD_CDB hundredths of a
#    dB) and the bell must not be louder than the quietest of them.
#   cmake -DSOX=<sox> -DPOCKETSPHINX_BATCH=<pocketsphinx_batch> -DMODEL_DIR=<.../model/en-us>
#         -DVOICE_DIR=<dir> -DPACK=letters|phonetic -DMIN_COUNT=<n> -DMAX_SPREAD_CDB=<n>
#         -DWORK_DIR=<dir> -P check_voice_recognition.cmake
cmake_minimum_required(VERSION 3.25)
foreach(var IN ITEMS SOX POCKETSPHINX_BATCH MODEL_DIR VOICE_DIR PACK MIN_COUNT MAX_SPREAD_CDB WORK_DIR)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "check_voice_recognition.cmake: -D${var}=... is required")
  endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/voice_names.cmake")
korvane_voice_words("${PACK}" words)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

function(run)
  execute_process(COMMAND ${ARGN} COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET ERROR_QUIET)
endfunction()

# Each file is heard as in a quiet room: 0.2 s before and after it, over a faint, fixed noise
# floor (-R: the same noise on every run). Digital silence around a word throws the
# recogniser's noise estimate off.
run("${SOX}" -R -n -r 16000 -c 1 -b 16 "${WORK_DIR}/noise.wav" synth 10 whitenoise vol 0.001)
function(prepare name)
  set(padded "${WORK_DIR}/padded.wav")
  run("${SOX}" -D "${VOICE_DIR}/${name}.wav" -r 16000 -c 1 -b 16 "${padded}" pad 0.2 0.2)
  execute_process(COMMAND "${SOX}" --i -s "${padded}" OUTPUT_VARIABLE samples
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  run("${SOX}" -D -m "${padded}" "${WORK_DIR}/noise.wav"
      -t raw -r 16000 -c 1 -b 16 -e signed-integer "${WORK_DIR}/${name}.raw" trim 0 ${samples}s)
endfunction()

# Decodes the utterances <names> with extra pocketsphinx arguments; sets <out_var> to the
# hypotheses in the same order.
function(decode names out_var)
  list(JOIN names "\n" control)
  file(WRITE "${WORK_DIR}/control.txt" "${control}\n")
  run("${POCKETSPHINX_BATCH}" -hmm "${MODEL_DIR}/en-us" ${ARGN}
      -ctl "${WORK_DIR}/control.txt" -cepdir "${WORK_DIR}" -cepext .raw -adcin yes
      -hyp "${WORK_DIR}/hypotheses.txt" -logfn "${WORK_DIR}/pocketsphinx.log")
  file(STRINGS "${WORK_DIR}/hypotheses.txt" lines)
  set(heard "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE " *\\([^()]*\\)$" "" hypothesis "${line}")
    list(APPEND heard "${hypothesis}")
  endforeach()
  set(${out_var} "${heard}" PARENT_SCOPE)
endfunction()

# The grammar of the 36 words, and a dictionary of just those words (faster to load).
list(JOIN words " | " alternatives)
file(WRITE "${WORK_DIR}/names.gram" "#JSGF V1.0;\ngrammar names;\npublic <name> = ${alternatives} ;\n")
list(JOIN words "|" pattern)
string(REPLACE "-" "\\-" pattern "${pattern}")
file(STRINGS "${MODEL_DIR}/cmudict-en-us.dict" entries REGEX "^(${pattern})(\\([0-9]\\))? ")
list(JOIN entries "\n" dictionary)
file(WRITE "${WORK_DIR}/names.dict" "${dictionary}\n")

foreach(character IN LISTS KORVANE_VOICE_CHARACTERS)
  prepare(${character})
endforeach()
decode("${KORVANE_VOICE_CHARACTERS}" heard -jsgf "${WORK_DIR}/names.gram" -dict "${WORK_DIR}/names.dict")
set(count 0)
set(misheard "")
foreach(character word hypothesis IN ZIP_LISTS KORVANE_VOICE_CHARACTERS words heard)
  if(hypothesis STREQUAL word)
    math(EXPR count "${count} + 1")
  else()
    list(APPEND misheard "${character}.wav (${word}) as '${hypothesis}'")
  endif()
endforeach()
list(JOIN misheard ", " misheard)
message(STATUS "${PACK} pack: ${count} of 36 letter and digit files heard right; misheard: ${misheard}")

set(failures "")
if(count LESS MIN_COUNT)
  list(APPEND failures "only ${count} of 36 letter and digit files heard right, fewer than ${MIN_COUNT}")
endif()

prepare(satellite)
prepare(IsRising)
set(phrase_files satellite IsRising)
set(phrases "satellite" "is rising")
decode("${phrase_files}" heard -lm "${MODEL_DIR}/en-us.lm.bin" -dict "${MODEL_DIR}/cmudict-en-us.dict")
foreach(name expected hypothesis IN ZIP_LISTS phrase_files phrases heard)
  message(STATUS "${PACK} pack: ${name}.wav heard as '${hypothesis}'")
  if(NOT hypothesis STREQUAL expected)
    list(APPEND failures "${name}.wav heard as '${hypothesis}', not '${expected}'")
  endif()
endforeach()

# Loudness: the RMS level of each speech file, in hundredths of a dB.
set(loudest "")
set(quietest "")
foreach(name IN LISTS KORVANE_VOICE_CHARACTERS ITEMS satellite IsRising bell)
  execute_process(COMMAND "${SOX}" "${VOICE_DIR}/${name}.wav" -n stats
                  ERROR_VARIABLE stats OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCH "RMS lev dB +(-?)([0-9]+)\\.([0-9][0-9])" _ "${stats}")
  math(EXPR level "${CMAKE_MATCH_2} * 100 + 1${CMAKE_MATCH_3} - 100")
  set(level "${CMAKE_MATCH_1}${level}")
  if(name STREQUAL "bell")
    set(bell ${level})
  else()
    if(loudest STREQUAL "" OR level GREATER loudest)
      set(loudest ${level})
    endif()
    if(quietest STREQUAL "" OR level LESS quietest)
      set(quietest ${level})
    endif()
  endif()
endforeach()
math(EXPR spread "${loudest} - ${quietest}")
message(STATUS "${PACK} pack: speech RMS from ${quietest} to ${loudest} (hundredths of a dBFS), "
               "spread ${spread}; bell ${bell}")
if(spread GREATER MAX_SPREAD_CDB)
  list(APPEND failures "speech loudness spreads over ${spread} hundredths of a dB, more than ${MAX_SPREAD_CDB}")
endif()
if(bell GREATER quietest)
  list(APPEND failures "the bell (${bell}) is louder than the quietest speech (${quietest})")
endif()

if(failures)
  list(JOIN failures "\n  " report)
  message(FATAL_ERROR "voice pack in ${VOICE_DIR}:\n  ${report}")
endif()
