# The two ways Quotidia ships: a 64-bit Windows installer (NSIS) and a portable ZIP, both
# holding Quotidia.exe and the quote book beside it. `cpack --config CPackConfig.cmake` in
# the build tree (or the `package` target) writes them to ${QUOTIDIA_PACKAGE_DIR}.
include_guard(GLOBAL)

install(TARGETS Quotidia RUNTIME DESTINATION .)
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

include(CPack)
