list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/frame_rate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/retiming.cpp
  ${CMAKE_CURRENT_LIST_DIR}/time_frames.cpp)
list(APPEND VELORIN_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cas.h
  ${CMAKE_CURRENT_LIST_DIR}/cas.cpp)

# Advanced synchronization: sync points and the piecewise retiming.
list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sync_points.cpp)
list(APPEND VELORIN_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/novecislo.h
  ${CMAKE_CURRENT_LIST_DIR}/novecislo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/synchronizace.h
  ${CMAKE_CURRENT_LIST_DIR}/synchronizace.cpp)

# Automatic synchronization to the film's speech.
list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/auto_sync.cpp)
