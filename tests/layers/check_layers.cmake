# Keeps the layers of src/ honest: every #include "..." of a source file must name a file of its own layer or
# of a layer below it, and the front ends never include each other. The libraries link the same way, so an
# include this check lets through cannot call upward either.
#
#   cmake -DSOURCE_DIR=<the folder that holds src/> -P check_layers.cmake
#
# The layers, lowest first: base (src/framework without the two libraries below), tdb, markup, build (the
# driver), pictures (pictures fitted to the page), convert (what the source converters share), markdown (the
# Markdown converter) and epub (the EPUB importer), which never include each other, then the front ends cli and
# app. In src/framework, the files of
# the libraries quillery_services (desktop-only services: on base) and quillery_desktop (Qt: on the services)
# form layers of their own; which files those are is read from src/framework/CMakeLists.txt. A header without
# a source file of the same name in one of those libraries is base.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check_layers: give -DSOURCE_DIR=<the folder that holds src/>")
endif()

# What each layer may include besides itself.
set(below_base "")
set(below_services base)
set(below_desktop base services)
set(below_tdb base)
set(below_markup base tdb)
set(below_build base tdb markup)
set(below_pictures base tdb markup build)
set(below_convert base tdb markup build pictures)
set(below_markdown base tdb markup build pictures convert)
set(below_epub base tdb markup build pictures convert)
set(below_cli base tdb markup build pictures convert markdown epub)
set(below_app base services desktop tdb markup build pictures convert markdown epub)
set(folder_layers tdb markup build pictures convert markdown epub cli app)

# The stems of the sources a library of src/framework/CMakeLists.txt lists.
function(framework_library_stems library out)
  set(stems "")
  set(lists ${SOURCE_DIR}/src/framework/CMakeLists.txt)
  if(EXISTS ${lists})
    file(READ ${lists} text)
    if(text MATCHES "add_library\\(${library}[ \t\r\n]+STATIC([^)]*)\\)")
      string(REGEX MATCHALL "[A-Za-z0-9_]+\\.cpp" sources "${CMAKE_MATCH_1}")
      foreach(source IN LISTS sources)
        string(REGEX REPLACE "\\.cpp$" "" stem ${source})
        list(APPEND stems ${stem})
      endforeach()
    endif()
  endif()
  set(${out} ${stems} PARENT_SCOPE)
endfunction()

framework_library_stems(quillery_services services_stems)
framework_library_stems(quillery_desktop desktop_stems)

# The layer of src/<folder>/<name>, or "" for a folder without one.
function(layer_of folder name out)
  if(folder STREQUAL "framework")
    string(REGEX REPLACE "\\.[^.]*$" "" stem ${name})
    if(stem IN_LIST desktop_stems)
      set(${out} desktop PARENT_SCOPE)
    elseif(stem IN_LIST services_stems)
      set(${out} services PARENT_SCOPE)
    else()
      set(${out} base PARENT_SCOPE)
    endif()
  elseif(folder IN_LIST folder_layers)
    set(${out} ${folder} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.hpp
     ${SOURCE_DIR}/src/*.cpp)
list(SORT sources)
set(checked 0)
set(problems "")
foreach(source IN LISTS sources)
  if(NOT source MATCHES "^([^/]+)/(.+)$")
    continue()
  endif()
  set(folder ${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  layer_of(${folder} ${name} layer)
  if(layer STREQUAL "")
    list(APPEND problems "src/${folder} has no layer: declare it in tests/layers/check_layers.cmake")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/src/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      continue()
    endif()
    set(included ${CMAKE_MATCH_1})
    if(included MATCHES "^([^/]+)/(.+)$")
      set(to_folder ${CMAKE_MATCH_1})
      set(to_name ${CMAKE_MATCH_2})
    else()
      set(to_folder ${folder})
      set(to_name ${included})
    endif()
    # Only files of src/ count (Qt's generated headers and the like are not layers).
    if(NOT EXISTS ${SOURCE_DIR}/src/${to_folder}/${to_name})
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    layer_of(${to_folder} ${to_name} to_layer)
    if(to_layer STREQUAL "")
      list(APPEND problems "src/${source} includes \"${included}\", which is in no layer")
    elseif(NOT to_layer STREQUAL layer AND NOT to_layer IN_LIST below_${layer})
      list(APPEND problems "src/${source} includes \"${included}\": ${layer} may not include ${to_layer}")
    endif()
  endforeach()
endforeach()

list(REMOVE_DUPLICATES problems)
list(LENGTH problems count)
if(count GREATER 0)
  foreach(problem IN LISTS problems)
    message("${problem}")
  endforeach()
  message(FATAL_ERROR "${count} problems with the layers of src/ (${checked} includes checked)")
endif()
message("The layers of src/ hold: ${checked} includes checked, none reaches up or across.")
