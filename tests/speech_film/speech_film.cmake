# Makes the test films' generator once, for whichever of the tests and the
# benchmarks comes first.
if(NOT TARGET velorin_speech_film)
  add_library(velorin_speech_film STATIC ${CMAKE_CURRENT_LIST_DIR}/speech_film.cpp)
  target_include_directories(velorin_speech_film PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
endif()
