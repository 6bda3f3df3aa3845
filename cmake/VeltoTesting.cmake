# velto_add_test(NAME LABEL <unit|keyring|x11|e2e|wayland> SOURCES ... [LIBS ...] [TIMEOUT s] [ARGS ...]
#                [ENVIRONMENT <a scripts/with-env label>])
# Builds one QtTest executable and registers it with CTest, run through scripts/with-env so it
# gets the environment its label (or ENVIRONMENT) needs (private bus, keyring, Xvfb + window
# manager, a compositor) and never touches the user's own.
function(velto_add_test name)
    cmake_parse_arguments(T "" "LABEL;ENVIRONMENT;TIMEOUT" "SOURCES;LIBS;ARGS" ${ARGN})
    if(NOT T_LABEL)
        message(FATAL_ERROR "velto_add_test(${name}): LABEL is required")
    endif()
    # The environment scripts/with-env gives the test: its label's, unless another is named.
    if(NOT T_ENVIRONMENT)
        set(T_ENVIRONMENT ${T_LABEL})
    endif()
    if(NOT T_TIMEOUT)
        if(T_LABEL STREQUAL "unit")
            set(T_TIMEOUT 120)
        else()
            set(T_TIMEOUT 300)
        endif()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${name}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-env ${T_ENVIRONMENT} $<TARGET_FILE:${name}>
                ${T_ARGS})
    set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
    if(T_LABEL STREQUAL "x11" OR T_LABEL STREQUAL "e2e" OR T_LABEL STREQUAL "wayland")
        # Real-display tests time synthetic input; keep them off a loaded CPU.
        set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
    endif()
endfunction()

# velto_add_script_test(NAME LABEL ... COMMAND cmd args...): a test that is a script, not a QtTest.
function(velto_add_script_test name)
    cmake_parse_arguments(T "" "LABEL;TIMEOUT" "COMMAND" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-env ${T_LABEL} ${T_COMMAND})
    set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
    if(T_LABEL STREQUAL "x11" OR T_LABEL STREQUAL "e2e" OR T_LABEL STREQUAL "wayland")
        set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
    endif()
endfunction()

# Shared main for an executable that holds several test classes registered with
# VELTO_REGISTER_TEST (tests/support/TestRegistry.h): list it among the SOURCES.
set(VELTO_TEST_MAIN ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
