# quadrel_add_test(NAME name SOURCES files... LIBS libs... [TIMEOUT seconds])
# Builds one QtTest executable and registers it with CTest, headless and with its own
# temporary configuration, data and home folders so no test touches the real ones.
function(quadrel_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
  set(tmp "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.tmp")
  add_test(NAME ${T_NAME}
           COMMAND ${CMAKE_COMMAND} -E env
                   QT_QPA_PLATFORM=offscreen
                   XDG_CONFIG_HOME=${tmp}/config
                   XDG_DATA_HOME=${tmp}/data
                   HOME=${tmp}/home
                   $<TARGET_FILE:${T_NAME}>)
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
