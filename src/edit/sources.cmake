list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/list_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/completion.cpp)
list(APPEND VELORIN_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/dialog_support.h
  ${CMAKE_CURRENT_LIST_DIR}/find_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/find_dialog.h
  ${CMAKE_CURRENT_LIST_DIR}/upravy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/upravy.h)
