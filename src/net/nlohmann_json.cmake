# The JSON library that reads the manifests, as the INTERFACE target qg_nlohmann_json. Debian
# installs it among the host's headers in /usr/include; the Windows build must not see that folder
# (its C library headers would clash with mingw's), so its one folder is copied into the build tree
# and only the copy is put on the include path, for both builds alike.
find_path(QG_NLOHMANN_JSON_ROOT nlohmann/json.hpp
    PATHS /usr/include /usr/local/include
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT QG_NLOHMANN_JSON_ROOT)
    message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/setup.sh)")
endif()

set(QG_NLOHMANN_JSON_COPY "${CMAKE_BINARY_DIR}/third_party/nlohmann_json/include")
file(COPY "${QG_NLOHMANN_JSON_ROOT}/nlohmann" DESTINATION "${QG_NLOHMANN_JSON_COPY}")

add_library(qg_nlohmann_json INTERFACE)
target_include_directories(qg_nlohmann_json SYSTEM INTERFACE "${QG_NLOHMANN_JSON_COPY}")
# Only explicit get<>() reads a value; nothing converts behind the reader's back.
target_compile_definitions(qg_nlohmann_json INTERFACE JSON_USE_IMPLICIT_CONVERSIONS=0)
