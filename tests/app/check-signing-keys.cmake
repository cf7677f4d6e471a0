# cmake -DKeys=FILES -DWork=DIR -P check-signing-keys.cmake fails where configuring with
# UpdateSigningKeys=FILES would, and prints the fingerprints otherwise.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/QuillGuardSigningKeys.cmake)
qg_read_signing_keys("${Keys}" "${Work}" points fingerprints)
message("fingerprints: ${fingerprints}")
