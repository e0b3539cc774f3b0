# Read by cpack once for each generator: the installer puts its files straight into the
# folder the user picks, while the portable ZIP unpacks into a folder of its own.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
