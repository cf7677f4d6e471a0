# What a publisher ships: the launcher and the publisher tool without their debug information,
# and one package of them with the publishing guide (scripts/release.sh makes it).

option(QG_SPLIT_DEBUG_INFO
    "Move each shipped program's debug information into <program>.debug beside it" OFF)
set(QG_LINUX_PUBLISHER "" CACHE FILEPATH
    "The Linux build of qg-publish, packed beside the Windows programs")

# A program that goes into the package, under destination. With QG_SPLIT_DEBUG_INFO the built file
# is stripped, and its debug information kept beside it for reading crash reports of this build;
# the debug file is not shipped.
function(qg_shipped_program target destination)
    if(QG_SPLIT_DEBUG_INFO)
        set(program "$<TARGET_FILE:${target}>")
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND "${CMAKE_OBJCOPY}" --only-keep-debug "${program}" "${program}.debug"
            COMMAND "${CMAKE_OBJCOPY}" --strip-all "--add-gnu-debuglink=${program}.debug"
                    "${program}"
            VERBATIM)
    endif()
    install(TARGETS ${target} RUNTIME DESTINATION ${destination})
endfunction()

# The package, made by the Windows build: it holds the Windows programs and takes the Linux
# publisher from the native build named by QG_LINUX_PUBLISHER.
function(qg_release_package)
    if(NOT WIN32)
        return()
    endif()
    if(QG_LINUX_PUBLISHER)
        install(PROGRAMS "${QG_LINUX_PUBLISHER}" DESTINATION publisher/linux)
    endif()
    install(FILES "${PROJECT_SOURCE_DIR}/docs/update-server.md" DESTINATION docs)
    # A launcher works with one update server only: the package says which in its name.
    string(REGEX REPLACE "^https://" "" server "${UpdateServerBaseUrl}")
    string(REPLACE ":" "-" server "${server}")
    set(CPACK_PACKAGE_NAME "QuillGuardLauncher")
    set(CPACK_PACKAGE_VENDOR "QuillGuard")
    set(CPACK_PACKAGE_FILE_NAME "QuillGuardLauncher-${PROJECT_VERSION}-${server}")
    set(CPACK_GENERATOR "ZIP;TGZ")
    set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
    # Already stripped, or kept whole on purpose when debug information is not split off.
    set(CPACK_STRIP_FILES OFF)
    include(CPack)
endfunction()
