# The range checks of the Min and Max selectors: the pure rule table joins the editor library,
# the Widget slots join the window library.
target_sources(tredora_editor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/rangerules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rangerules.h)
target_sources(tredora_window PRIVATE ${CMAKE_CURRENT_LIST_DIR}/widget_ranges.cpp)
