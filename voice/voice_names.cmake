# What each character file of a voice pack says. Shared by the generator and the voice check.
#   korvane_voice_texts(<pack> <out_var>)  "<character>=<text to speak>" for A-Z, 0-9
#   korvane_voice_words(<pack> <out_var>)  the words a listener should hear, in the same order,
#                                          as spelt in pocketsphinx's US English dictionary
# <pack> is letters (letter names) or phonetic (the ICAO spelling alphabet).
include_guard(GLOBAL)

set(KORVANE_VOICE_CHARACTERS A B C D E F G H I J K L M N O P Q R S T U V W X Y Z 0 1 2 3 4 5 6 7 8 9)
set(_korvane_digit_words zero one two three four five six seven eight nine)
# The synthesiser is given the English spelling of each code word, which it says the way the
# ICAO alphabet means it to be said ("Alfa" and "Juliett" are spelt so for other languages).
set(_korvane_phonetic_words Alpha Bravo Charlie Delta Echo Foxtrot Golf Hotel India Juliet Kilo
    Lima Mike November Oscar Papa Quebec Romeo Sierra Tango Uniform Victor Whiskey X-ray Yankee
    Zulu)

function(_korvane_voice_check_pack pack)
  if(NOT pack STREQUAL "letters" AND NOT pack STREQUAL "phonetic")
    message(FATAL_ERROR "voice pack '${pack}' is neither letters nor phonetic")
  endif()
endfunction()

function(korvane_voice_texts pack out_var)
  _korvane_voice_check_pack("${pack}")
  set(texts "")
  set(index 0)
  foreach(character IN LISTS KORVANE_VOICE_CHARACTERS)
    if(index LESS 26 AND pack STREQUAL "phonetic")
      list(GET _korvane_phonetic_words ${index} text)
    elseif(index LESS 26)
      set(text "${character}")
    else()
      list(GET _korvane_digit_words ${character} text)
    endif()
    list(APPEND texts "${character}=${text}")
    math(EXPR index "${index} + 1")
  endforeach()
  set(${out_var} "${texts}" PARENT_SCOPE)
endfunction()

function(korvane_voice_words pack out_var)
  korvane_voice_texts("${pack}" texts)
  set(words "")
  foreach(entry IN LISTS texts)
    string(REGEX REPLACE "^.=" "" word "${entry}")
    string(TOLOWER "${word}" word)
    list(APPEND words "${word}")
  endforeach()
  set(${out_var} "${words}" PARENT_SCOPE)
endfunction()
