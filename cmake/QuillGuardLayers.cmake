# One library per folder of src/, each linking only to the folders below it.
#
#   qg_add_layer(NAME folder PORTABLE sources... WIN32_ONLY sources... BELOW libraries...)
#
# The portable sources are built natively and for Windows; the Win32 ones only for Windows. A
# folder with no sources in a build becomes an interface library of its headers.
function(qg_add_layer)
    cmake_parse_arguments(PARSE_ARGV 0 layer "" "NAME" "PORTABLE;WIN32_ONLY;BELOW")
    set(sources ${layer_PORTABLE})
    if(WIN32)
        list(APPEND sources ${layer_WIN32_ONLY})
    endif()
    set(target qg_${layer_NAME})
    if(sources)
        add_library(${target} STATIC ${sources})
        target_link_libraries(${target} PUBLIC qg_build_flags ${layer_BELOW})
    else()
        add_library(${target} INTERFACE)
        target_link_libraries(${target} INTERFACE qg_build_flags ${layer_BELOW})
    endif()
endfunction()
