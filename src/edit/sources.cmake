list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/list_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/completion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/adding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/statistics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spelling.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hunspell_checker.cpp)
list(APPEND VELORIN_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/upravy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doplneni.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doplneni.h
  ${CMAKE_CURRENT_LIST_DIR}/upravy.h
  ${CMAKE_CURRENT_LIST_DIR}/pridavani.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pridavani.h
  ${CMAKE_CURRENT_LIST_DIR}/infotit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/infotit.h
  ${CMAKE_CURRENT_LIST_DIR}/pravopis.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pravopis.h
  ${CMAKE_CURRENT_LIST_DIR}/spell_underline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spell_underline.h)
