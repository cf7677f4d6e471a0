# Stops configuring unless url is an HTTPS base URL: a host, an optional port from 1 to 65535
# written without leading zeros, and nothing after it.
function(qg_check_update_server_url url)
    # Two steps: if() evaluates parentheses first, before MATCHES would have set CMAKE_MATCH_2.
    if(url MATCHES "^https://[A-Za-z0-9.-]+(:([1-9][0-9]?[0-9]?[0-9]?[0-9]?))?$")
        if(NOT CMAKE_MATCH_2 OR CMAKE_MATCH_2 LESS_EQUAL 65535)
            return()
        endif()
    endif()
    message(FATAL_ERROR
        "UpdateServerBaseUrl must be set to the update server's base URL, for example "
        "-DUpdateServerBaseUrl=https://updates.example.com (https, a host, an optional port from 1 "
        "to 65535, nothing after it); it is \"${url}\".")
endfunction()
