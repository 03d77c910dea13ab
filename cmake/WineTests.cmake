# Windows tests share one throwaway Wine prefix per build tree, with the stand-in service running
# and its CA trusted there. A CTest fixture makes it before the first test and removes it after.
set(ALVENA_TEST_ENV_DIR ${CMAKE_BINARY_DIR}/test-env)
set(_wine_env ${PROJECT_SOURCE_DIR}/scripts/wine-env.sh)

add_test(NAME wine_env_setup COMMAND bash ${_wine_env} setup ${ALVENA_TEST_ENV_DIR}
                                     $<TARGET_FILE:add_root_cert>)
add_test(NAME wine_env_teardown COMMAND bash ${_wine_env} teardown ${ALVENA_TEST_ENV_DIR})
set_tests_properties(wine_env_setup PROPERTIES FIXTURES_SETUP wine_env)
set_tests_properties(wine_env_teardown PROPERTIES FIXTURES_CLEANUP wine_env)

# wine_test(<name> [USES standin display ...]): runs under Wine in the shared environment. Tests
# that script the one stand-in, or put windows on the one display, never run at the same time.
function(wine_test name)
    cmake_parse_arguments(ARG "" "" "USES" ${ARGN})
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine_env
        ENVIRONMENT "ALVENA_TEST_ENV_DIR=${ALVENA_TEST_ENV_DIR}")
    if(ARG_USES)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_USES}")
    endif()
endfunction()
