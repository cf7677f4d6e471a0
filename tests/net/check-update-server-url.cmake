# cmake -DUrl=URL -P check-update-server-url.cmake fails where configuring with
# UpdateServerBaseUrl=URL would.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/QuillGuardUrl.cmake)
qg_check_update_server_url("${Url}")
