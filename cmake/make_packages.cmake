# Makes the installer and the portable ZIP of a build tree with cpack, then checks that
# both exist and that the ZIP holds the program and its quote book in a folder of its own:
#   cmake -DCPACK=cpack -DBUILD_DIR=... -DPACKAGE_DIR=... -DPACKAGE_NAME=... -P make_packages.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD_DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed (${result})")
endif()

set(installer ${PACKAGE_DIR}/${PACKAGE_NAME}.exe)
set(zip ${PACKAGE_DIR}/${PACKAGE_NAME}.zip)
if(NOT EXISTS ${installer})
    message(FATAL_ERROR "No installer: ${installer}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zip}
                OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Cannot read ${zip}")
endif()
string(STRIP "${listing}" listing)
string(REPLACE "\n" ";" entries "${listing}")
list(SORT entries)
set(expected "${PACKAGE_NAME}/Quotes.txt;${PACKAGE_NAME}/Quotidia.exe;${PACKAGE_NAME}/quotidia-check.exe")
if(NOT entries STREQUAL expected)
    message(FATAL_ERROR "The ZIP holds [${entries}], not [${expected}]")
endif()
message(STATUS "Made ${installer} and ${zip}")
