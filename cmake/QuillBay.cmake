# Shared build settings and helpers for Quill Bay targets.

if(QB_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

# Compiler settings for our own code (not for third-party sources such as GoogleTest).
add_library(qb_settings INTERFACE)
target_compile_options(qb_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion -Wno-missing-field-initializers
                                             # false alarms of GCC 12 inside std::string at -O2 and above
                                             -Wno-restrict)
if(QB_WARNINGS_AS_ERRORS)
    target_compile_options(qb_settings INTERFACE -Werror)
endif()
target_include_directories(qb_settings INTERFACE ${PROJECT_SOURCE_DIR}/src)
if(WIN32)
    target_compile_definitions(qb_settings INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0601)
endif()

# nlohmann/json is header-only. The cross compiler must not see the host's /usr/include,
# so its headers are reached through a folder that holds only them.
set(QB_JSON_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${QB_JSON_INCLUDE})
if(NOT EXISTS ${QB_JSON_INCLUDE}/nlohmann)
    file(CREATE_LINK /usr/include/nlohmann ${QB_JSON_INCLUDE}/nlohmann SYMBOLIC)
endif()
add_library(qb_json INTERFACE)
target_include_directories(qb_json SYSTEM INTERFACE ${QB_JSON_INCLUDE})

# GoogleTest: Debian's prebuilt library natively; built from Debian's sources for Windows.
if(WIN32)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()

if(WIN32)
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

# qb_add_wine_test(name SOURCES ... LIBS ... [LOCK resource] [DPI dots-per-inch]): a Windows
# GoogleTest executable that ctest runs under Wine, once per executable (Wine starts once).
# With DPI, it runs in a prefix of its own whose screen has that many dots per inch.
function(qb_add_wine_test name)
    cmake_parse_arguments(ARG "" "LOCK;DPI" "SOURCES;LIBS;DEPENDS" ${ARGN})
    set(prefix ${QB_WINE_PREFIX})
    set(fixture wine)
    if(ARG_DPI)
        set(prefix ${QB_WINE_PREFIX}-${ARG_DPI}dpi)
        set(fixture wine_${ARG_DPI}dpi)
        get_property(prepared GLOBAL PROPERTY QB_WINE_PREFIX_${ARG_DPI}DPI)
        if(NOT prepared)
            set_property(GLOBAL PROPERTY QB_WINE_PREFIX_${ARG_DPI}DPI ON)
            add_test(NAME wine_prefix_setup_${ARG_DPI}dpi
                     COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh ${prefix} headless-${ARG_DPI})
            set_tests_properties(wine_prefix_setup_${ARG_DPI}dpi PROPERTIES
                                 FIXTURES_SETUP ${fixture} TIMEOUT 300)
        endif()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE qb_settings ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    if(ARG_DEPENDS)
        add_dependencies(${name} ${ARG_DEPENDS})
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${fixture} TIMEOUT 300
                         ENVIRONMENT "WINEPREFIX=${prefix}")
    if(ARG_LOCK)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${ARG_LOCK})
    endif()
endfunction()
