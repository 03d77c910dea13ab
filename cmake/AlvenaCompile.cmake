# Compiler settings shared by every target of the project (not by third-party code).
add_library(alvena_options INTERFACE)
target_include_directories(alvena_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(MSVC)
    target_compile_options(alvena_options INTERFACE /W4 /WX /utf-8 /permissive-)
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>" CACHE STRING "" FORCE)
else()
    target_compile_options(alvena_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endif()

if(WIN32)
    target_compile_definitions(alvena_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN
                                                        NOMINMAX _WIN32_WINNT=0x0601)
    if(MINGW)
        # One self-contained exe: no libgcc, libstdc++ or winpthread DLLs beside it.
        target_link_options(alvena_options INTERFACE -static -static-libgcc -static-libstdc++)
        # Each function and datum in a section of its own, so that a program's link can drop
        # whatever it never reaches (see alvena_program).
        target_compile_options(alvena_options INTERFACE -ffunction-sections -fdata-sections)
    endif()
endif()

# Hardening of every MinGW-built program, kept apart from the other flags:
# - canaries in every function with an array or an address taken; each program gets its own
#   canary and failure calls (ALVENA_STACK_GUARD_SOURCE, linked by alvena_program) rather than
#   libssp's, whose seeding loads the RSA provider at every start; other targets get libssp's,
#   which the driver links statically when it sees the flag at the link too;
# - _FORTIFY_SOURCE=2: MinGW-w64's string.h, stdio.h and io.h check copies into buffers of known
#   size against it (level 3 is not supported; the headers act on it only when optimising);
# - --tsaware: Remote Desktop hosts then run the program without their compatibility layer.
# ASLR with high-entropy addresses and DEP are binutils' defaults; the exe tests check all four.
if(MINGW)
    target_compile_options(alvena_options INTERFACE -fstack-protector-strong)
    target_compile_definitions(alvena_options INTERFACE
                               $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
    target_link_options(alvena_options INTERFACE -fstack-protector-strong -Wl,--tsaware)
    set(ALVENA_STACK_GUARD_SOURCE ${PROJECT_SOURCE_DIR}/src/app/stack_guard_win.c)
endif()

if(NOT WIN32 AND ALVENA_SANITIZE)
    target_compile_options(alvena_options INTERFACE -fsanitize=address,undefined
                                                    -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(alvena_options INTERFACE -fsanitize=address,undefined)
endif()

# Reproducible Windows builds: the same sources give the same bytes in any folder, at any time.
# The linker leaves the PE header's time stamp at zero, and the source and build folders never
# reach the binary (__FILE__ in assertions, debug information).
if(MINGW)
    target_link_options(alvena_options INTERFACE -Wl,--no-insert-timestamp)
    target_compile_options(alvena_options INTERFACE -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                                                    -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
endif()

# alvena_program(<target>): a Windows GUI program as users get it: Unicode entry point and, in
# optimised builds, linked without unreachable code and without symbols or debug sections (the
# static runtime brings 350 KiB of them, which Wine maps into private memory).
function(alvena_program target)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    target_link_libraries(${target} PRIVATE alvena_options)
    if(MINGW)
        target_link_options(${target} PRIVATE -municode
                            "$<$<NOT:$<CONFIG:Debug>>:-Wl,--gc-sections;-s>")
        target_sources(${target} PRIVATE ${ALVENA_STACK_GUARD_SOURCE})
        target_link_libraries(${target} PRIVATE advapi32)
    endif()
endfunction()

if(ALVENA_FUZZ)
    return()  # The fuzz tree has no GoogleTest suites.
endif()

# GoogleTest: built from source when a source folder is given (Debian's /usr/src/googletest when
# cross-compiling), otherwise an installed package (Debian's libgtest-dev, vcpkg, MSYS2).
if(CMAKE_CROSSCOMPILING AND EXISTS /usr/src/googletest)
    set(_gtest_source /usr/src/googletest)
endif()
set(ALVENA_GTEST_SOURCE_DIR "${_gtest_source}" CACHE PATH "GoogleTest sources to build with the project")
add_library(alvena_gtest INTERFACE)
if(ALVENA_GTEST_SOURCE_DIR)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${ALVENA_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    target_link_libraries(alvena_gtest INTERFACE gtest gtest_main)
else()
    find_package(GTest REQUIRED)
    target_link_libraries(alvena_gtest INTERFACE GTest::gtest GTest::gtest_main)
endif()
