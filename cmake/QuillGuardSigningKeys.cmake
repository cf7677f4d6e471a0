# Reads the keys a launcher trusts to sign its manifests, with the openssl command.
#
#   qg_read_signing_keys(keys workDir pointsVar fingerprintsVar)
#
# keys: one or two PEM files holding P-256 public keys (SubjectPublicKeyInfo), ";"-separated, or
# empty. Sets pointsVar to the raw point X‖Y of each key (64 bytes, big-endian, as CNG imports it)
# as C initialisers ("{0x6b,...},{...}") and fingerprintsVar to the keys' SHA-256 fingerprints
# joined by ";" ("none" without keys). Stops configuring, naming the file, on anything else.
# pointsVar_COUNT is the number of keys.
function(qg_read_signing_keys keys workDir pointsVar fingerprintsVar)
    set(initialisers "")
    set(fingerprints "")
    list(LENGTH keys count)
    if(count GREATER 2)
        message(FATAL_ERROR "UpdateSigningKeys names ${count} files (${keys}); a launcher trusts one or two keys.")
    endif()
    # id-ecPublicKey, prime256v1 and an uncompressed point: the first 27 bytes of every such key.
    set(prefix "3059301306072a8648ce3d020106082a8648ce3d030107034200" "04")
    string(CONCAT prefix ${prefix})
    file(MAKE_DIRECTORY "${workDir}")
    set(index 0)
    foreach(key IN LISTS keys)
        math(EXPR index "${index} + 1")
        set(der "${workDir}/signing-key-${index}.der")
        file(REMOVE "${der}")
        if(NOT EXISTS "${key}" OR IS_DIRECTORY "${key}")
            message(FATAL_ERROR "UpdateSigningKeys: ${key} is not a file.")
        endif()
        # openssl refuses a point off its curve, a private key and anything that is not PEM.
        execute_process(COMMAND openssl pkey -pubin -inform PEM -in "${key}" -outform DER -out "${der}"
            RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
        set(hex "")
        if(result EQUAL 0 AND EXISTS "${der}")
            file(READ "${der}" hex HEX)
        endif()
        string(LENGTH "${hex}" length)
        string(FIND "${hex}" "${prefix}" at)
        if(NOT length EQUAL 182 OR NOT at EQUAL 0)
            message(FATAL_ERROR
                "UpdateSigningKeys: ${key} is not a P-256 public key in PEM (SubjectPublicKeyInfo, "
                "as \"qg-publish keygen\" writes to signing-key.pub.pem).")
        endif()
        file(SHA256 "${der}" fingerprint)
        list(APPEND fingerprints "${fingerprint}")
        # openssl has checked that the point is on the curve; the launcher reads no DER.
        string(LENGTH "${prefix}" prefixLength)
        string(SUBSTRING "${hex}" ${prefixLength} -1 point)
        string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${point}")
        string(REGEX REPLACE ",$" "" bytes "${bytes}")
        list(APPEND initialisers "{${bytes}}")
    endforeach()
    if(NOT fingerprints)
        set(fingerprints "none")
    endif()
    list(JOIN initialisers "," initialisers)
    set(${pointsVar} "${initialisers}" PARENT_SCOPE)
    set(${fingerprintsVar} "${fingerprints}" PARENT_SCOPE)
    set(${pointsVar}_COUNT ${count} PARENT_SCOPE)
endfunction()
