list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/tags.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_breaking.cpp
  ${CMAKE_CURRENT_LIST_DIR}/width_fitting.cpp)
list(APPEND VELORIN_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sire.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_text_measurer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_text_measurer.h
  ${CMAKE_CURRENT_LIST_DIR}/sire.h
  ${CMAKE_CURRENT_LIST_DIR}/formatovani.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formatovani.h)
