# Writing a slot configuration to the pedal and reading it back: the pure byte rules join the
# editor library, the Widget slots join the window library.
target_sources(tredora_editor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/configuration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/configuration.h)
target_link_libraries(tredora_editor PUBLIC tredora_protocol)
target_sources(tredora_window PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/widget_send.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widget_readback.cpp)
