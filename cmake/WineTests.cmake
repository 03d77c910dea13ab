# Windows tests share one throwaway Wine prefix per build tree, with the stand-in service running
# and its CA trusted there. A CTest fixture makes it before the first test and removes it after.
set(ALVENA_TEST_ENV_DIR ${CMAKE_BINARY_DIR}/test-env)
set(_wine_env ${PROJECT_SOURCE_DIR}/scripts/wine-env.sh)

add_test(NAME wine_env_setup COMMAND bash ${_wine_env} setup ${ALVENA_TEST_ENV_DIR}
                                     $<TARGET_FILE:add_root_cert>)
add_test(NAME wine_env_teardown COMMAND bash ${_wine_env} teardown ${ALVENA_TEST_ENV_DIR})
set_tests_properties(wine_env_setup PROPERTIES FIXTURES_SETUP wine_env)
set_tests_properties(wine_env_teardown PROPERTIES FIXTURES_CLEANUP wine_env)

# A second environment, made only when a test needs it: its screen reports 144 DPI (150 %).
set(ALVENA_SCALED_DPI 144)
set(ALVENA_SCALED_ENV_DIR ${CMAKE_BINARY_DIR}/test-env-${ALVENA_SCALED_DPI}dpi)
add_test(NAME wine_scaled_env_setup COMMAND bash ${_wine_env} setup-scaled
                                            ${ALVENA_SCALED_ENV_DIR} ${ALVENA_SCALED_DPI})
add_test(NAME wine_scaled_env_teardown COMMAND bash ${_wine_env} teardown ${ALVENA_SCALED_ENV_DIR})
set_tests_properties(wine_scaled_env_setup PROPERTIES FIXTURES_SETUP wine_scaled_env)
set_tests_properties(wine_scaled_env_teardown PROPERTIES FIXTURES_CLEANUP wine_scaled_env)

# wine_test(<name> [SCALED] [USES standin display ...]): runs under Wine in the shared environment,
# or with SCALED in the 144-DPI one (ALVENA_TEST_DPI tells the test). Tests that script the one
# stand-in, or put windows on the one display, never run at the same time.
function(wine_test name)
    cmake_parse_arguments(ARG "SCALED" "" "USES" ${ARGN})
    if(ARG_SCALED)
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED wine_scaled_env
            ENVIRONMENT "ALVENA_TEST_ENV_DIR=${ALVENA_SCALED_ENV_DIR};ALVENA_TEST_DPI=${ALVENA_SCALED_DPI}")
    else()
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED wine_env
            ENVIRONMENT "ALVENA_TEST_ENV_DIR=${ALVENA_TEST_ENV_DIR}")
    endif()
    if(ARG_USES)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_USES}")
    endif()
endfunction()
