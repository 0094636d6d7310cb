# flowsmith_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [X11] [LABELS ...])
# Widget and model tests run on the offscreen platform; tests marked X11 need the
# display that scripts/test.sh provides (Xvfb) and never run two at a time, since
# they share the pointer, the keyboard and the key grabs.
set(FLOWSMITH_TEST_TIMEOUT 300 CACHE STRING "Seconds a test may run before CTest stops it")

function(flowsmith_add_test)
  cmake_parse_arguments(T "X11" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_UNPARSED_ARGUMENTS OR NOT T_NAME OR NOT T_SOURCES)
    message(FATAL_ERROR "flowsmith_add_test: bad arguments '${T_UNPARSED_ARGUMENTS}' (NAME ${T_NAME})")
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt5::Test ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(T_X11)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "x11;${T_LABELS}"
      RESOURCE_LOCK xdisplay TIMEOUT ${FLOWSMITH_TEST_TIMEOUT})
  else()
    set_tests_properties(${T_NAME} PROPERTIES LABELS "unit;${T_LABELS}"
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${FLOWSMITH_TEST_TIMEOUT})
  endif()
endfunction()
