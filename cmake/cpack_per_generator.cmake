# Read by cpack once for each generator: the installer puts its files straight into the
# folder the user picks, while the portable ZIP unpacks into a folder of its own.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()

# Both packages are dated by the last commit, not by the build: cpack gives the ZIP's
# entries the time in SOURCE_DATE_EPOCH (set by the caller, or else taken from git).
# A ZIP entry's time is local time, so it is written as UTC whatever the builder's zone.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND CPACK_QUOTIDIA_GIT)
    execute_process(COMMAND ${CPACK_QUOTIDIA_GIT} log -1 --format=%ct
                    WORKING_DIRECTORY ${CPACK_QUOTIDIA_SOURCE_DIR}
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(epoch MATCHES "^[0-9]+$")
        set(ENV{SOURCE_DATE_EPOCH} ${epoch})
    endif()
endif()
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    message(WARNING "No git history and no SOURCE_DATE_EPOCH: the ZIP holds the build's file times")
endif()
set(ENV{TZ} UTC)
