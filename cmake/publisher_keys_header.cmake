# cmake [-DPIN_FILE=<file>] -DOUTPUT=<header> -P cmake/publisher_keys_header.cmake
# The key pins header of the tests' resource library, from the pin that
# make-update-packages.sh wrote for the update tests' publisher; no key when
# there is no such file yet. The header is rewritten only when it changes.
include(${CMAKE_CURRENT_LIST_DIR}/MivoPublisher.cmake)
set(keys "")
if(PIN_FILE AND EXISTS "${PIN_FILE}")
  file(STRINGS "${PIN_FILE}" keys REGEX "^[0-9A-Fa-f]+$")
endif()
mivo_write_publisher_keys_header("${OUTPUT}" "${keys}")
