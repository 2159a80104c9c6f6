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

# quadrel_add_fuzzer(NAME name SOURCES files... [QT] [DICT file] [SEEDS dirs...] [MAX_LEN n]
#                    [SECONDS s] [DEPENDS files...])
# Builds a libFuzzer target with clang (address and undefined-behaviour sanitizers) beside
# the main build, and runs it as a test for a bounded time over a corpus kept in the build
# folder (fuzz_corpus, where the new inputs it finds go) and the seed folders in the
# sources. QT links Qt Core. Without clang the target is skipped with a warning.
find_program(QUADREL_CLANGXX NAMES clang++ clang++-14)
function(quadrel_add_fuzzer)
  cmake_parse_arguments(F "QT" "NAME;DICT;MAX_LEN;SECONDS" "SOURCES;SEEDS;DEPENDS" ${ARGN})
  if(NOT QUADREL_CLANGXX)
    message(WARNING "clang++ not found: the fuzz target ${F_NAME} is not built")
    return()
  endif()
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 4096)
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 30)
  endif()
  set(exe ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME})
  set(flags -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
            -I${PROJECT_SOURCE_DIR})
  set(libs)
  if(F_QT)
    list(APPEND flags -fPIC "-I$<JOIN:$<TARGET_PROPERTY:Qt6::Core,INTERFACE_INCLUDE_DIRECTORIES>,$<SEMICOLON>-I>")
    set(libs $<TARGET_FILE:Qt6::Core>)
  endif()
  add_custom_command(OUTPUT ${exe}
    COMMAND ${QUADREL_CLANGXX} ${flags} ${F_SOURCES} ${libs} -o ${exe}
    DEPENDS ${F_SOURCES} ${F_DEPENDS}
    COMMAND_EXPAND_LISTS
    COMMENT "Building the fuzz target ${F_NAME} with libFuzzer")
  add_custom_target(${F_NAME}_fuzzer ALL DEPENDS ${exe})
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/fuzz_corpus)
  file(MAKE_DIRECTORY ${corpus})
  set(dict)
  if(F_DICT)
    set(dict -dict=${F_DICT})
  endif()
  add_test(NAME ${F_NAME}
           COMMAND ${exe} -max_total_time=${F_SECONDS} -timeout=5 -rss_limit_mb=2048
                   -max_len=${F_MAX_LEN} -print_final_stats=1 ${dict} ${corpus} ${F_SEEDS})
  math(EXPR limit "${F_SECONDS} + 60")
  set_tests_properties(${F_NAME} PROPERTIES TIMEOUT ${limit})
endfunction()
