list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/list_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/completion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/adding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/statistics.cpp)
list(APPEND VELORIN_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/upravy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doplneni.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doplneni.h
  ${CMAKE_CURRENT_LIST_DIR}/upravy.h
  ${CMAKE_CURRENT_LIST_DIR}/pridavani.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pridavani.h
  ${CMAKE_CURRENT_LIST_DIR}/infotit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/infotit.h)
