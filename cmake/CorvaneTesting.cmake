# Test helpers. Every test carries a label (unit, integration, e2e, fuzz) so each group can run
# alone: `ctest -L unit`.

# corvane_unit_test(NAME SOURCES... LIBS ...): a GoogleTest executable run without a display.
function(corvane_unit_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE corvane_options corvane_test_support ${T_LIBS}
        GTest::gtest GTest::gmock GTest::gtest_main)
    # gtest_discover_tests splits a list-valued ENVIRONMENT property, so the variables are set by
    # running each test (and the discovery) through `cmake -E env` instead.
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env
        CORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR} CORVANE_TESTDATA=${CORVANE_TESTDATA} TZ=UTC
        LC_ALL=C.UTF-8)
    gtest_discover_tests(${name} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)
endfunction()

# corvane_integration_test(NAME SOURCES... LIBS ... [DBUS] [WM]): a GoogleTest executable run
# under its own Xvfb display; DBUS gives it a private session bus, WM a window manager.
function(corvane_integration_test name)
    cmake_parse_arguments(T "DBUS;WM" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE corvane_options corvane_test_support ${T_LIBS}
        GTest::gtest GTest::gmock GTest::gtest_main)
    set(flags)
    if(T_DBUS)
        list(APPEND flags --dbus)
    endif()
    if(T_WM)
        list(APPEND flags --wm)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${name}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-display ${flags} -- $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS integration TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "CORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR};CORVANE_TESTDATA=${CORVANE_TESTDATA};TZ=UTC;LC_ALL=C.UTF-8")
endfunction()

# corvane_fuzz_target(NAME SOURCES... LIBS ... [SECONDS n]): a libFuzzer harness, also run as a
# short bounded ctest with its seed corpus folder fuzz/corpus/NAME when one exists.
function(corvane_fuzz_target name)
    cmake_parse_arguments(T "" "SECONDS" "SOURCES;LIBS" ${ARGN})
    if(NOT T_SECONDS)
        set(T_SECONDS 20)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE corvane_options ${T_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(corpus ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
    set(dirs ${work})
    if(EXISTS ${corpus})
        list(APPEND dirs ${corpus})
    endif()
    add_test(NAME ${name}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            sh -c "mkdir -p '${work}' && exec \"$0\" -max_total_time=${T_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \"$@\""
            $<TARGET_FILE:${name}> ${dirs})
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()
