# Fails when a file of the core, the platform layer or the command-line tool includes a Qt header.
file(GLOB_RECURSE core_files
    "${SOURCE_DIR}/src/platform/*" "${SOURCE_DIR}/src/index/*"
    "${SOURCE_DIR}/src/indexer/*" "${SOURCE_DIR}/src/cli/*")
set(offenders "")
foreach(f IN LISTS core_files)
    file(STRINGS "${f}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt[A-Za-z]*/|Qt[A-Za-z]*/)")
    if(hits)
        list(APPEND offenders "${f}: ${hits}")
    endif()
endforeach()
if(offenders)
    list(JOIN offenders "\n  " text)
    message(FATAL_ERROR "Qt included by a core file:\n  ${text}")
endif()
