# Build-wide settings: the update server, warnings, Windows defines and the native sanitizers.

set(UpdateServerBaseUrl "" CACHE STRING
    "HTTPS base URL of the update server (scheme and host, optional port, no trailing slash)")
include(QuillGuardUrl)
qg_check_update_server_url("${UpdateServerBaseUrl}")

set(UpdateSigningKeys "" CACHE STRING
    "One or two PEM files of P-256 public keys (;-separated) that sign the update manifests; empty: unsigned")
include(QuillGuardSigningKeys)
qg_read_signing_keys("${UpdateSigningKeys}" "${CMAKE_BINARY_DIR}/signing-keys"
    QG_UPDATE_SIGNING_KEYS QG_UPDATE_SIGNING_FINGERPRINTS)

option(QG_SANITIZE "Build native code with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

# Flags for the project's own targets; third-party code keeps its own.
add_library(qg_build_flags INTERFACE)
if(MSVC)
    target_compile_options(qg_build_flags INTERFACE /W4 /WX /permissive- /utf-8)
else()
    target_compile_options(qg_build_flags INTERFACE
        -Wall -Wextra -Wpedantic -Werror -Wconversion -Wsign-conversion -Wshadow
        -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wnull-dereference)
endif()
if(WIN32)
    target_compile_definitions(qg_build_flags INTERFACE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
    if(NOT MSVC)
        # A static image needs no mingw runtime DLL beside it.
        target_link_options(qg_build_flags INTERFACE -static)
    endif()
endif()

# For programs whose entry is wWinMain or wmain rather than main.
function(qg_wide_entry target)
    if(MINGW)
        target_link_options(${target} PRIVATE -municode)
    endif()
endfunction()
if(QG_SANITIZE AND NOT WIN32)
    target_compile_options(qg_build_flags INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(qg_build_flags INTERFACE -fsanitize=address,undefined)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        # Coverage for the fuzzers: the code they drive lives in the project's libraries.
        target_compile_options(qg_build_flags INTERFACE -fsanitize=fuzzer-no-link)
    endif()
endif()
