# Fails when a file includes what its layer must not: a Qt header in the core, the platform layer
# or the command-line tool; a header of the site indexer in the link index, which it builds on.

# Fails listing every file below the folders that has an include matching regex.
function(check_includes what regex)
    set(files "")
    foreach(folder IN LISTS ARGN)
        file(GLOB_RECURSE found "${SOURCE_DIR}/src/${folder}/*")
        list(APPEND files ${found})
    endforeach()
    set(offenders "")
    foreach(f IN LISTS files)
        file(STRINGS "${f}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${regex})")
        if(hits)
            list(APPEND offenders "${f}: ${hits}")
        endif()
    endforeach()
    if(offenders)
        list(JOIN offenders "\n  " text)
        message(FATAL_ERROR "${what}:\n  ${text}")
    endif()
endfunction()

check_includes("Qt included by a core file" "Q[A-Za-z]|qt[A-Za-z]*/|Qt[A-Za-z]*/"
               platform index indexer cli)
check_includes("The index includes the indexer" "indexer/" index)
