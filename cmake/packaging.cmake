# The two ways Quotidia ships: a 64-bit Windows installer (NSIS) and a portable ZIP, both
# holding Quotidia.exe, quotidia-check.exe and the quote book beside them. `cpack --config
# CPackConfig.cmake` in the build tree (or the `package` target) writes them to
# ${QUOTIDIA_PACKAGE_DIR}. Included before the targets are made, so that every object
# is built the same way wherever the tree lies and whenever it is built.
include_guard(GLOBAL)

if(MINGW)
    # Line tables, so that a crash address can be turned into a source line; no path of
    # this machine in the objects (sources relative to the tree, the build folder as ".");
    # no link time in the PE header.
    add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:-g1;-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=;-ffile-prefix-map=${CMAKE_BINARY_DIR}=.>")
    add_link_options(-Wl,--no-insert-timestamp)

    # The shipped programs are copies without debug sections or symbols. The debug
    # information stays beside them in the build tree (shipped/NAME.exe.debug), tied to
    # each copy by name and checksum, for symbolising a crash. objcopy would stamp the
    # time of the copy into the PE header: SOURCE_DATE_EPOCH=0 keeps it empty.
    set(QUOTIDIA_SHIPPED_DIR ${CMAKE_BINARY_DIR}/shipped)
    set(shipped_programs "")
    foreach(target IN ITEMS Quotidia quotidia-check)
        set(shipped ${QUOTIDIA_SHIPPED_DIR}/${target}.exe)
        add_custom_command(
            OUTPUT ${shipped} ${shipped}.debug
            COMMAND ${CMAKE_COMMAND} -E make_directory ${QUOTIDIA_SHIPPED_DIR}
            COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                    ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${shipped}.debug
            COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                    ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${shipped}.debug
                    $<TARGET_FILE:${target}> ${shipped}
            DEPENDS ${target}
            COMMENT "Splitting the debug information off ${target}.exe"
            VERBATIM)
        list(APPEND shipped_programs ${shipped})
    endforeach()
    add_custom_target(shipped_programs ALL DEPENDS ${shipped_programs})
else()
    # MSVC keeps the debug information in PDB files already.
    set(shipped_programs $<TARGET_FILE:Quotidia> $<TARGET_FILE:quotidia-check>)
endif()
install(PROGRAMS ${shipped_programs} DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/Quotes.txt DESTINATION .)

set(QUOTIDIA_PACKAGE_DIR ${CMAKE_BINARY_DIR}/packages)
set(QUOTIDIA_PACKAGE_NAME Quotidia-${PROJECT_VERSION}-win64)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME Quotidia)
set(CPACK_PACKAGE_VENDOR "Quotidia Project")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${QUOTIDIA_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${QUOTIDIA_PACKAGE_DIR})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quotidia)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Quotidia)

# CPack's stock NSIS script makes a 32-bit installer with options Quotidia has no use for
# (PATH editing, desktop icons); cmake/NSIS.template.in, found first here, replaces it.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
set(CPACK_NSIS_PACKAGE_NAME Quotidia)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/resources/app.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/resources/app.ico)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_per_generator.cmake)
# Read there to date the packages by the last commit.
find_package(Git QUIET)
set(CPACK_QUOTIDIA_GIT "${GIT_EXECUTABLE}")
set(CPACK_QUOTIDIA_SOURCE_DIR ${PROJECT_SOURCE_DIR})

include(CPack)
