# GoogleTest for both builds, the wine session fixture and helpers to declare tests.

if(WIN32)
    # Debian ships GoogleTest as sources; build them with the cross compiler.
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    target_link_options(gtest PUBLIC -static)
else()
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()

if(WIN32)
    set(QG_HARNESS_DIR "${PROJECT_SOURCE_DIR}/tests/harness")
    add_test(NAME wine.session.start
        COMMAND bash "${QG_HARNESS_DIR}/wine-session.sh" start "${QG_WINE_DIR}")
    add_test(NAME wine.session.stop
        COMMAND bash "${QG_HARNESS_DIR}/wine-session.sh" stop "${QG_WINE_DIR}")
    set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
    set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

    # A second session on an 800 x 600 screen, for the launcher's own windows: its prefix starts
    # without an answer to the agreement, which those tests set as they need it.
    set(QG_WINE_UI_DIR "${CMAKE_BINARY_DIR}/wine-ui")
    add_test(NAME wine_ui.session.start
        COMMAND bash "${QG_HARNESS_DIR}/wine-session.sh" start "${QG_WINE_UI_DIR}" 800x600)
    add_test(NAME wine_ui.session.stop
        COMMAND bash "${QG_HARNESS_DIR}/wine-session.sh" stop "${QG_WINE_UI_DIR}")
    set_tests_properties(wine_ui.session.start PROPERTIES FIXTURES_SETUP wine_ui TIMEOUT 120)
    set_tests_properties(wine_ui.session.stop PROPERTIES FIXTURES_CLEANUP wine_ui TIMEOUT 60)
endif()

# The path of a file in the build as a program under wine sees it.
function(qg_wine_path out unixPath)
    string(REPLACE "/" "\\" windowsPath "${unixPath}")
    set(${out} "Z:${windowsPath}" PARENT_SCOPE)
endfunction()

# A GoogleTest program: natively each test case is its own ctest test; under wine the program is
# one test, since listing its cases would need wine before the session starts.
function(qg_add_gtest target)
    if(WIN32)
        add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
        set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)
    endif()
endfunction()

# A test that runs a Windows program (a target or a path) in the wine session.
function(qg_add_wine_test name)
    add_test(NAME ${name} COMMAND ${ARGN})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120)
endfunction()
