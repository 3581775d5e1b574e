# Shared build settings and helpers for Quill Bay targets.

# Each compiler gets the flags it understands: the program is built with mingw-w64 (GCC)
# and natively with GCC or Clang, and stays buildable with MSVC.
if(MSVC)
    set(QB_COMPILER msvc)
elseif(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    set(QB_COMPILER gcc)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    set(QB_COMPILER clang)
else()
    set(QB_COMPILER other)
endif()

if(QB_SANITIZE)
    if(QB_COMPILER STREQUAL "gcc" OR QB_COMPILER STREQUAL "clang")
        add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                            -fno-sanitize-recover=all)
        add_link_options(-fsanitize=address,undefined)
    elseif(QB_COMPILER STREQUAL "msvc")
        # MSVC has AddressSanitizer only.
        add_compile_options(/fsanitize=address)
    else()
        message(FATAL_ERROR "QB_SANITIZE: no sanitizer flags known for ${CMAKE_CXX_COMPILER_ID}")
    endif()
endif()

# Fuzz targets: every library is built with libFuzzer's coverage instrumentation and both
# sanitizers, so that a target finds its way into the code it calls and stops at the first
# fault; the targets themselves link libFuzzer (tests/fuzz).
if(QB_FUZZ)
    if(NOT QB_COMPILER STREQUAL "clang")
        message(FATAL_ERROR "QB_FUZZ: libFuzzer needs Clang (the fuzz preset uses clang-14)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

# Compiler settings for our own code (not for third-party sources such as GoogleTest).
add_library(qb_settings INTERFACE)
if(QB_COMPILER STREQUAL "msvc")
    # The sources are UTF-8 without a byte order mark; without /utf-8 MSVC would read their
    # text literals in the machine's ANSI code page.
    target_compile_options(qb_settings INTERFACE /W4 /permissive- /utf-8)
    if(QB_WARNINGS_AS_ERRORS)
        target_compile_options(qb_settings INTERFACE /WX)
    endif()
elseif(QB_COMPILER STREQUAL "gcc" OR QB_COMPILER STREQUAL "clang")
    target_compile_options(qb_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                 -Wno-sign-conversion
                                                 -Wno-missing-field-initializers)
    if(QB_COMPILER STREQUAL "gcc")
        # False alarms of GCC 12 inside std::string at -O2 and above.
        target_compile_options(qb_settings INTERFACE -Wno-restrict)
    endif()
    if(QB_WARNINGS_AS_ERRORS)
        target_compile_options(qb_settings INTERFACE -Werror)
    endif()
endif()
target_include_directories(qb_settings INTERFACE ${PROJECT_SOURCE_DIR}/src)
if(WIN32)
    target_compile_definitions(qb_settings INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0601)
endif()

# nlohmann/json (header-only): its CMake package where the build can use one, that is
# natively or from the cross toolchain's own root.
add_library(qb_json INTERFACE)
find_package(nlohmann_json 3 QUIET)
if(nlohmann_json_FOUND)
    target_link_libraries(qb_json INTERFACE nlohmann_json::nlohmann_json)
else()
    # Otherwise the host's headers, which serve any target. The cross compiler must not see
    # the rest of the host's include folder, so they are reached through a folder of the
    # build tree that holds only them.
    find_path(QB_JSON_INCLUDE_DIR nlohmann/json.hpp CMAKE_FIND_ROOT_PATH_BOTH
              DOC "The folder that holds nlohmann/json.hpp")
    if(NOT EXISTS "${QB_JSON_INCLUDE_DIR}/nlohmann/json.hpp")
        message(FATAL_ERROR "nlohmann/json was not found: install it (Debian: nlohmann-json3-dev) "
                            "or set QB_JSON_INCLUDE_DIR to the folder that holds nlohmann/json.hpp")
    endif()
    set(only_json ${CMAKE_BINARY_DIR}/third_party/include)
    file(MAKE_DIRECTORY ${only_json})
    if(IS_SYMLINK ${only_json}/nlohmann)
        file(READ_SYMLINK ${only_json}/nlohmann linked)
        if(NOT linked STREQUAL "${QB_JSON_INCLUDE_DIR}/nlohmann")
            file(REMOVE ${only_json}/nlohmann)
        endif()
    endif()
    if(NOT EXISTS ${only_json}/nlohmann)
        file(CREATE_LINK ${QB_JSON_INCLUDE_DIR}/nlohmann ${only_json}/nlohmann SYMBOLIC)
    endif()
    target_include_directories(qb_json SYSTEM INTERFACE ${only_json})
endif()

# GoogleTest: the installed package where there is one for the target (natively); for the
# cross build, compiled from its sources, which Debian's libgtest-dev installs.
if(CMAKE_CROSSCOMPILING)
    find_package(GTest QUIET)
endif()
if(CMAKE_CROSSCOMPILING AND NOT GTest_FOUND)
    find_path(QB_GOOGLETEST_SOURCE_DIR googletest/CMakeLists.txt
              HINTS ENV GOOGLETEST_SOURCE_DIR
              PATHS /usr/src /usr/local/src /opt/src
              PATH_SUFFIXES googletest
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
              DOC "GoogleTest's source tree: the folder that holds googletest/CMakeLists.txt")
    if(NOT EXISTS "${QB_GOOGLETEST_SOURCE_DIR}/googletest/CMakeLists.txt")
        message(FATAL_ERROR "GoogleTest's sources were not found: install them (Debian: "
                            "libgtest-dev) or set QB_GOOGLETEST_SOURCE_DIR")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory(${QB_GOOGLETEST_SOURCE_DIR}/googletest ${CMAKE_BINARY_DIR}/googletest
                     EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()

if(WIN32)
    # The common controls, loaded when they are first called rather than with the program:
    # by then the program has restricted where DLLs come from to the system folder, and
    # the common controls, which come from the side-by-side store that the manifest names,
    # load libraries of their own as they start (the theme library) that Windows would
    # otherwise look for in the program's folder first.
    add_library(qb_comctl32 INTERFACE)
    if(MSVC)
        target_link_libraries(qb_comctl32 INTERFACE comctl32 delayimp)
        target_link_options(qb_comctl32 INTERFACE /DELAYLOAD:comctl32.dll)
    else()
        set(delay_lib ${CMAKE_BINARY_DIR}/libcomctl32_delay.a)
        add_custom_command(OUTPUT ${delay_lib}
            COMMAND ${CMAKE_DLLTOOL} --input-def ${PROJECT_SOURCE_DIR}/cmake/comctl32-delay.def
                    --dllname COMCTL32.dll --output-delaylib ${delay_lib}
            DEPENDS ${PROJECT_SOURCE_DIR}/cmake/comctl32-delay.def
            COMMENT "Delay-load import library of the common controls")
        add_custom_target(qb_comctl32_delay_lib DEPENDS ${delay_lib})
        add_dependencies(qb_comctl32 qb_comctl32_delay_lib)
        target_link_libraries(qb_comctl32 INTERFACE ${delay_lib})
    endif()

    # Every Windows test runs in this build tree's own Wine prefix, prepared once by
    # a fixture so that the tests themselves start fast.
    set(QB_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    add_test(NAME wine_prefix_setup
             COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh ${QB_WINE_PREFIX} headless)
    set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
endif()

# qb_add_unit_test(name SOURCES ... LIBS ...): a GoogleTest executable of portable code.
# It runs natively, and in the Windows build under Wine as well, where wchar_t has 16 bits.
function(qb_add_unit_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE qb_settings ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
    if(WIN32)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine
                             ENVIRONMENT "WINEPREFIX=${QB_WINE_PREFIX}")
    endif()
endfunction()

# qb_add_wine_test(name SOURCES ... LIBS ... [LOCK resource] [DPI dots-per-inch ...]): a Windows
# GoogleTest executable that ctest runs under Wine, once per executable (Wine starts once).
# With DPI, it runs once for each density given, each time in a prefix of its own whose
# screen has that many dots per inch (tests name_<dpi>dpi).
function(qb_add_wine_test name)
    cmake_parse_arguments(ARG "" "LOCK" "SOURCES;LIBS;DEPENDS;DPI" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE qb_settings ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    if(ARG_DEPENDS)
        add_dependencies(${name} ${ARG_DEPENDS})
    endif()
    set(runs "")
    if(NOT ARG_DPI)
        add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine
                             ENVIRONMENT "WINEPREFIX=${QB_WINE_PREFIX}")
        list(APPEND runs ${name})
    endif()
    foreach(dpi IN LISTS ARG_DPI)
        set(prefix ${QB_WINE_PREFIX}-${dpi}dpi)
        set(fixture wine_${dpi}dpi)
        get_property(prepared GLOBAL PROPERTY QB_WINE_PREFIX_${dpi}DPI)
        if(NOT prepared)
            set_property(GLOBAL PROPERTY QB_WINE_PREFIX_${dpi}DPI ON)
            add_test(NAME wine_prefix_setup_${dpi}dpi
                     COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh ${prefix} headless-${dpi})
            set_tests_properties(wine_prefix_setup_${dpi}dpi PROPERTIES
                                 FIXTURES_SETUP ${fixture} TIMEOUT 300)
        endif()
        add_test(NAME ${name}_${dpi}dpi COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name}_${dpi}dpi PROPERTIES FIXTURES_REQUIRED ${fixture}
                             ENVIRONMENT "WINEPREFIX=${prefix}")
        list(APPEND runs ${name}_${dpi}dpi)
    endforeach()
    set_tests_properties(${runs} PROPERTIES TIMEOUT 300)
    if(ARG_LOCK)
        set_tests_properties(${runs} PROPERTIES RESOURCE_LOCK ${ARG_LOCK})
    endif()
endfunction()
