list(APPEND VELORIN_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/overlay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/film_info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/part_overlap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/speech_steps.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sound_summary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timeline.cpp)
list(APPEND VELORIN_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/mpv_player.h
  ${CMAKE_CURRENT_LIST_DIR}/mpv_player.cpp
  ${CMAKE_CURRENT_LIST_DIR}/infofilm.h
  ${CMAKE_CURRENT_LIST_DIR}/infofilm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/casovaosa.h
  ${CMAKE_CURRENT_LIST_DIR}/casovaosa.cpp)

# Listening to a film's sound for the automatic synchronization.
list(APPEND VELORIN_MEDIA_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/speech_detector.h
  ${CMAKE_CURRENT_LIST_DIR}/ffmpeg_speech_detector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sound_peaks.h
  ${CMAKE_CURRENT_LIST_DIR}/sound_peaks.cpp)
