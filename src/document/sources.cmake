list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/error.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subtitle_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subtitle_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/change_journal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/undo_history.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subtitle_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/block_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recovery_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recovery_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/autosave.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_encoding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/utf16.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoding_detection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ini_file.cpp)
