# Helpers shared by every folder of the project.

include(GoogleTest)

# Environment every test runs in: no proxy may divert loopback traffic.
set(MARROWFIN_TEST_ENV_MODS
    "http_proxy=unset:" "HTTP_PROXY=unset:" "https_proxy=unset:" "HTTPS_PROXY=unset:"
    "all_proxy=unset:" "ALL_PROXY=unset:" "no_proxy=unset:" "NO_PROXY=unset:"
    "DISPLAY=unset:" "WAYLAND_DISPLAY=unset:" "MARROWFIN_DEVICE_ROOT=unset:")

# marrowfin_test(<name> [STANDALONE] SOURCES <files...> [LIBS <targets...>])
# One GoogleTest program; each of its cases becomes a CTest test. It links the platform and
# the test support unless STANDALONE (for code that stands apart from the platform).
function(marrowfin_test name)
    cmake_parse_arguments(ARG "STANDALONE" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(NOT ARG_STANDALONE)
        target_link_libraries(${name} PRIVATE MarrowfinPlatform MarrowfinTestSupport)
    endif()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT_MODIFICATION "${MARROWFIN_TEST_ENV_MODS}" TIMEOUT 120)
endfunction()

# marrowfin_bench(<name> SOURCES <files...> [LIBS <targets...>])
# One benchmark program, into bench/ of the build tree where bench/run finds it.
function(marrowfin_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE MarrowfinPlatform ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
endfunction()

# marrowfin_no_undefined(<target>)
# A shared object that says at link time which symbols it lacks. Not in a sanitized build:
# there the sanitizers' runtime lives in the executable, so the object has open symbols.
function(marrowfin_no_undefined target)
    target_link_options(${target} PRIVATE $<$<NOT:$<BOOL:${MARROWFIN_SANITIZE}>>:-Wl,--no-undefined>)
endfunction()

# marrowfin_run_path(<target> <run path>)
# The same run path in the build tree and once installed. A run path that CMake rewrites at
# install is padded in the build tree, and its padding ends the list with an empty entry,
# which the loader reads as the working directory: a program started in a folder holding a
# libstdc++.so.6 would load it.
function(marrowfin_run_path target run_path)
    set_target_properties(${target} PROPERTIES
        BUILD_WITH_INSTALL_RPATH ON
        INSTALL_RPATH "${run_path}")
endfunction()

# marrowfin_compile_fail_test(<name> SOURCE <file>)
# A test that the compiler refuses each case of <file> and accepts the file without one
# (cmake/CompileFails.cmake says how the cases are written).
function(marrowfin_compile_fail_test name)
    cmake_parse_arguments(ARG "" "SOURCE" "" ${ARGN})
    add_test(NAME ${name}
        COMMAND ${CMAKE_COMMAND}
            -DCOMPILER=${CMAKE_CXX_COMPILER}
            -DSTANDARD=${CMAKE_CXX${CMAKE_CXX_STANDARD}_STANDARD_COMPILE_OPTION}
            -DINCLUDE=${PROJECT_SOURCE_DIR}/platform
            -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/${ARG_SOURCE}
            -P ${PROJECT_SOURCE_DIR}/cmake/CompileFails.cmake)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# marrowfin_bundle(<target> BUNDLE <Name.bundle> OUTPUT <executable name> SOURCES <...> RESOURCES <...>)
# A plug-in: a loadable module inside a bundle folder of the build tree, with its resources beside it.
function(marrowfin_bundle target)
    cmake_parse_arguments(ARG "" "BUNDLE;OUTPUT" "SOURCES;RESOURCES" ${ARGN})
    set(dir ${MARROWFIN_BUNDLE_DIR}/${ARG_BUNDLE})
    add_library(${target} MODULE ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE MarrowfinPlatform)
    marrowfin_no_undefined(${target})
    set_target_properties(${target} PROPERTIES
        PREFIX "" SUFFIX "" OUTPUT_NAME ${ARG_OUTPUT}
        LIBRARY_OUTPUT_DIRECTORY ${dir}
        CXX_VISIBILITY_PRESET default)
    # Resources are copied whenever they change, not only when the executable is relinked.
    set(copied)
    foreach(res IN LISTS ARG_RESOURCES)
        get_filename_component(res_name ${res} NAME)
        add_custom_command(OUTPUT ${dir}/${res_name}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/${res} ${dir}/${res_name}
            DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${res}
            VERBATIM)
        list(APPEND copied ${dir}/${res_name})
    endforeach()
    add_custom_target(${target}Resources ALL DEPENDS ${copied})
    add_dependencies(${target} ${target}Resources)
    install(DIRECTORY ${dir} DESTINATION ${CMAKE_INSTALL_LIBDIR}/marrowfin/bundles USE_SOURCE_PERMISSIONS)
endfunction()

# marrowfin_libexec(<target> SOURCES <...> [LIBS <...>])
# A subcommand behind the `marrowfin` front.
function(marrowfin_libexec target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS})
    set(run_path "$ORIGIN/../../lib")
    if(NOT CMAKE_INSTALL_LIBDIR STREQUAL "lib")
        string(APPEND run_path ":$ORIGIN/../../${CMAKE_INSTALL_LIBDIR}")
    endif()
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${MARROWFIN_LIBEXEC_DIR})
    marrowfin_run_path(${target} "${run_path}")
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/marrowfin)
endfunction()
