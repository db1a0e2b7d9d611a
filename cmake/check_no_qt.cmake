# Fails when a file of the core includes a Qt header, directly or through a
# header of the project it includes.
#
#   cmake -DFILES="a.cpp|b.cpp|..." -DINCLUDE_ROOT=<src> -P check_no_qt.cmake
#
# FILES are the sources the core is built from; a quoted include is looked up
# beside the including file and then under INCLUDE_ROOT and followed, an angle
# include is checked by name: <QString>, <QtCore/...>, <qt6/...>, <qglobal.h>.

cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED FILES OR NOT DEFINED INCLUDE_ROOT)
  message(FATAL_ERROR "usage: cmake -DFILES=a|b -DINCLUDE_ROOT=dir -P check_no_qt.cmake")
endif()

string(REPLACE "|" ";" pending "${FILES}")
set(seen)
set(problems)
set(qt_name "^(Q[A-Za-z0-9_]*(/.*)?|Qt[A-Za-z0-9_]*/.*|qt[0-9]*/.*|q[a-z0-9_]*\\.h)$")

while(pending)
  list(POP_FRONT pending file)
  if(file IN_LIST seen)
    continue()
  endif()
  list(APPEND seen "${file}")
  if(NOT EXISTS "${file}")
    list(APPEND problems "${file}: listed but missing")
    continue()
  endif()
  get_filename_component(dir "${file}" DIRECTORY)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(name "${CMAKE_MATCH_1}")
      if(name MATCHES "${qt_name}")
        list(APPEND problems "${file}: includes Qt header <${name}>")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(name "${CMAKE_MATCH_1}")
      if(EXISTS "${dir}/${name}")
        get_filename_component(found "${dir}/${name}" ABSOLUTE)
        list(APPEND pending "${found}")
      elseif(EXISTS "${INCLUDE_ROOT}/${name}")
        get_filename_component(found "${INCLUDE_ROOT}/${name}" ABSOLUTE)
        list(APPEND pending "${found}")
      elseif(name MATCHES "${qt_name}")
        list(APPEND problems "${file}: includes Qt header \"${name}\"")
      endif()
    endif()
  endforeach()
endwhile()

list(LENGTH seen count)
if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "The core must not use Qt:\n  ${text}")
endif()
message(STATUS "${count} files of the core include no Qt header")
