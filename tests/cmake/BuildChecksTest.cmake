# cmake -DCHECKS=<cmake/TarnwelBuildChecks.cmake> -DWORK=<folder> -P BuildChecksTest.cmake
# Configures a small project once for each case of the table below and
# expects the build checks to pass it or to fail it with the case's message.
# The project: fixture_high (high/) links fixture_low (low/) privately.

# case | what the case changes | what the configuration must print
set(cases
  "clean|none|checks passed"
  "link below a link|low links fixture_forbidden|fixture_high must not link it, but links: fixture_high -> fixture_low -> fixture_forbidden"
  "Qt by name|low links Qt6::Widgets|fixture_high must not use Qt, but links: fixture_high -> fixture_low -> Qt6::Widgets"
  "source of another folder|high compiles low/low.cpp|fixture_high compiles low/low.cpp of another folder"
  "source in two targets|high/ has a second target of high.cpp|fixture_twice and fixture_high both compile high/high.cpp"
  "include of a higher folder|low includes high/high.h|low/low.cpp includes high/high.h, outside what fixture_low links"
  "include by a header|a header of low includes high/high.h|low/low.h includes high/high.h, outside what any target of low links")

file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/src/low/forbidden.cpp "")
file(WRITE ${WORK}/src/high/high.cpp "#include \"low/low.h\"\n")
file(WRITE ${WORK}/src/high/high.h "")
file(WRITE ${WORK}/src/low/CMakeLists.txt [=[
# The case's include of the higher folder, in the source or in a header.
set(include_high "#include \"high/high.h\"\n")
file(WRITE ${CMAKE_CURRENT_SOURCE_DIR}/low.cpp "")
file(WRITE ${CMAKE_CURRENT_SOURCE_DIR}/low.h "")
if(CASE STREQUAL "low includes high/high.h")
  file(WRITE ${CMAKE_CURRENT_SOURCE_DIR}/low.cpp "${include_high}")
elseif(CASE STREQUAL "a header of low includes high/high.h")
  file(WRITE ${CMAKE_CURRENT_SOURCE_DIR}/low.h "${include_high}")
endif()
add_library(fixture_low STATIC low.cpp)
add_library(fixture_forbidden STATIC forbidden.cpp)
if(CASE STREQUAL "low links fixture_forbidden")
  target_link_libraries(fixture_low PUBLIC fixture_forbidden)
elseif(CASE STREQUAL "low links Qt6::Widgets")
  target_link_libraries(fixture_low PUBLIC Qt6::Widgets)
endif()
]=])
file(WRITE ${WORK}/src/high/CMakeLists.txt [=[
set(sources high.cpp)
if(CASE STREQUAL "high compiles low/low.cpp")
  list(APPEND sources ../low/low.cpp)
elseif(CASE STREQUAL "high/ has a second target of high.cpp")
  add_library(fixture_twice STATIC high.cpp)
endif()
add_library(fixture_high STATIC ${sources})
target_link_libraries(fixture_high PRIVATE fixture_low)
]=])
file(WRITE ${WORK}/src/CMakeLists.txt [=[
cmake_minimum_required(VERSION 3.25)
project(BuildChecksFixture LANGUAGES CXX)
add_subdirectory(low)
add_subdirectory(high)
include(${CHECKS})
tarnwel_check_links_none("^fixture_forbidden$" "must not link it" fixture_high)
tarnwel_check_links_none("[Qq]t[0-9]*(::|Core|Gui|Widgets)" "must not use Qt" fixture_high)
tarnwel_check_source_homes()
tarnwel_check_include_homes()
message(STATUS "checks passed")
]=])

set(failures "")
foreach(row IN LISTS cases)
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 name)
  list(GET row 1 change)
  list(GET row 2 expected)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${WORK}/src -B ${WORK}/build -DCASE=${change} -DCHECKS=${CHECKS}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  # The message may be wrapped over lines.
  string(REGEX REPLACE "[ \n]+" " " out "${out}")
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    list(APPEND failures "${name}: no \"${expected}\" in: ${out}")
  elseif(NOT expected STREQUAL "checks passed" AND result EQUAL 0)
    list(APPEND failures "${name}: the configuration did not fail")
  endif()
endforeach()
if(failures)
  list(JOIN failures "\n" failures)
  message(FATAL_ERROR "${failures}")
endif()
