# The version parts of every form a project version can take; run with cmake -P.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/AlvenaVersion.cmake)

set(failures 0)
# version | major;minor;patch | four-part version
foreach(case "1.0.0|1;0;0|1.0.0.0" "2.5.13|2;5;13|2.5.13.0" "1.2.3.4|1;2;3|1.2.3.0"
             "3.1|3;1;0|3.1.0.0" "7|7;0;0|7.0.0.0")
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 version)
    list(SUBLIST fields 1 3 expected_parts)
    list(GET fields 4 expected_four)
    alvena_version_parts(${version})
    set(parts ${ALVENA_VERSION_MAJOR} ${ALVENA_VERSION_MINOR} ${ALVENA_VERSION_PATCH})
    if(NOT parts STREQUAL expected_parts OR NOT ALVENA_VERSION_FOUR_PART STREQUAL expected_four)
        message(SEND_ERROR "${version}: parts ${parts}, four-part ${ALVENA_VERSION_FOUR_PART}; "
                           "expected ${expected_parts} and ${expected_four}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} version cases failed")
endif()
