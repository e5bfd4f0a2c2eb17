# Line and branch coverage of src/ (the coverage preset, KORVANE_COVERAGE=ON).
#
# The portable core and korvane.exe are built with GCC's --coverage. Built for Windows, this
# build also builds, with the machine's own g++, the portable core and its unit tests natively in
# <build>/native (the same option, without the Windows part). Its ctest run first clears the data
# of the last run (the test coverage_clear), then runs the native unit tests and the tests under
# Wine, and ends with scripts/coverage-report.py: one report over src/ from both compilers' data, also written into
# docs/coverage.md.
#
# A program under Wine writes its .gcda files through drive Z: (GCOV_PREFIX=Z:, set by the test
# preset). korvane.exe writes them however it ends: src/windows/coverage_flush.cpp.
target_compile_options(korvane_core PRIVATE --coverage)
target_link_options(korvane_core INTERFACE --coverage)

if(NOT WIN32)
  return()
endif()

find_package(Python3 REQUIRED COMPONENTS Interpreter)
# The report reads both compilers' data with gcovr (scripts/ensure-packages.sh installs it).
foreach(tool gcovr gcov x86_64-w64-mingw32-gcov)
  find_program(KORVANE_FOUND_${tool} ${tool})
  if(NOT KORVANE_FOUND_${tool})
    message(FATAL_ERROR "${tool} is missing, which the coverage report needs: run bash scripts/ensure-packages.sh")
  endif()
endforeach()

set(KORVANE_COVERAGE_RUNS_DIR ${CMAKE_BINARY_DIR}/coverage-runs)
target_compile_options(korvane PRIVATE --coverage)
target_link_options(korvane PRIVATE --coverage)
target_sources(korvane PRIVATE ${PROJECT_SOURCE_DIR}/src/windows/coverage_flush.cpp)
target_compile_definitions(korvane PRIVATE KORVANE_COVERAGE_RUNS_DIR="Z:${KORVANE_COVERAGE_RUNS_DIR}")
# The end-to-end driver asks korvane.exe to write its data before it ends it.
target_compile_definitions(korvane_e2e_driver PRIVATE KORVANE_COVERAGE_FLUSH)
if(TARGET korvane_visual_styles_test)
  target_compile_options(korvane_visual_styles_test PRIVATE --coverage)
  target_link_options(korvane_visual_styles_test PRIVATE --coverage)
endif()

# The native half: the portable core and its unit tests, built with the machine's g++.
include(ExternalProject)
ExternalProject_Add(korvane_native_coverage
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/native
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ -DKORVANE_COVERAGE=ON -DKORVANE_BENCH=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target korvane_unit_tests
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)
add_test(NAME native_unit_tests
         COMMAND ${CMAKE_COMMAND} -E env --unset=GCOV_PREFIX --unset=GCOV_PREFIX_STRIP
                 ${CMAKE_BINARY_DIR}/native/tests/unit/korvane_unit_tests)

# Before the first test that runs under Wine or natively here, the last run's data is cleared
# (one more set-up step of their fixtures); after the tests, whatever they gave, the report.
set(report ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/coverage-report.py)
set(where --source ${PROJECT_SOURCE_DIR} --build ${CMAKE_BINARY_DIR})
add_test(NAME coverage_clear COMMAND ${report} clear ${where})
set_tests_properties(coverage_clear PROPERTIES FIXTURES_SETUP "korvane_coverage;wine_session;wine_session_64bit_only")
set_tests_properties(native_unit_tests PROPERTIES FIXTURES_REQUIRED korvane_coverage)
list(JOIN report " " report)
list(JOIN where " " where)
file(WRITE ${CMAKE_BINARY_DIR}/CTestCustom.cmake
     "set(CTEST_CUSTOM_POST_TEST \"${report} report ${where} --after-tests --doc ${PROJECT_SOURCE_DIR}/docs/coverage.md\")\n")
