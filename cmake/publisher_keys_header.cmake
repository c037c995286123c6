# cmake -DPIN_FILE=<file> -DOUTPUT=<header> -P cmake/publisher_keys_header.cmake
# The key pins header of the tests' resource library, from the pin that
# make-update-packages.sh wrote for the update tests' publisher.
include(${CMAKE_CURRENT_LIST_DIR}/MivoPublisher.cmake)
file(STRINGS "${PIN_FILE}" keys REGEX "^[0-9A-Fa-f]+$")
mivo_write_publisher_keys_header("${OUTPUT}" "${keys}")
