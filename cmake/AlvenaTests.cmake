# How a test executable is declared, the same way in every folder of tests/.

if(WIN32 AND CMAKE_CROSSCOMPILING)
    include(${CMAKE_CURRENT_LIST_DIR}/WineTests.cmake)
elseif(WIN32)
    # Native Windows: the tests run as they are, at the screen's own DPI, one CTest process at a
    # time for shared resources.
    function(wine_test name)
        cmake_parse_arguments(ARG "SCALED" "" "USES" ${ARGN})
        if(ARG_USES)
            set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_USES}")
        endif()
    endfunction()
endif()

# alvena_test(<ctest-name> TARGET <exe> SOURCES ... [LIBS ...] [USES standin display ...])
# A GoogleTest executable linked with `LIBS`, registered with CTest; on Windows it runs under
# Wine in the shared test environment.
function(alvena_test name)
    cmake_parse_arguments(ARG "" "TARGET" "SOURCES;LIBS;USES" ${ARGN})
    add_executable(${ARG_TARGET} ${ARG_SOURCES})
    target_include_directories(${ARG_TARGET} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_TARGET} PRIVATE ${ARG_LIBS} alvena_gtest)
    add_test(NAME ${name} COMMAND ${ARG_TARGET})
    if(WIN32)
        wine_test(${name} USES ${ARG_USES})
    endif()
endfunction()
