list(APPEND VELORIN_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/hlform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hlform_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hlform_retiming.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hlform_film.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hlform_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hlform.h
  ${CMAKE_CURRENT_LIST_DIR}/qt_prompts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subtitle_list_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subtitle_list_model.h)
