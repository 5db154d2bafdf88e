# One way to register a test: offscreen, bounded in time, and failing on crash output
# even when the process somehow exits 0.
function(add_tredora_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  # Tests include the window's generated form header; they never run uic themselves.
  set_target_properties(${name} PROPERTIES AUTOUIC OFF)
  target_link_libraries(${name} PRIVATE ${T_LIBS} tredora_testsupport Qt5::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=*.debug=false;ASAN_OPTIONS=detect_leaks=0"
    FAIL_REGULAR_EXPRESSION "Segmentation fault;AddressSanitizer;runtime error:;QFATAL;Received signal")
endfunction()
