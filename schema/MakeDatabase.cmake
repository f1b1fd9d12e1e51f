# cmake -DSQLITE3=<sqlite3> -DSCRIPT=<sqlite.sql> -DDATABASE=<torvel.db> -P MakeDatabase.cmake
#
# Makes DATABASE from SCRIPT when DATABASE does not exist; an existing file is
# left exactly as it is. The database is built under a temporary name and
# renamed at the end, so a failed run leaves no half-made file behind that a
# later run would mistake for the real one.
if(EXISTS "${DATABASE}")
    return()
endif()

get_filename_component(folder "${DATABASE}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
set(partial "${DATABASE}.partial")
file(REMOVE "${partial}")

execute_process(
    COMMAND "${SQLITE3}" -bail "${partial}"
    INPUT_FILE "${SCRIPT}"
    RESULT_VARIABLE result
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    file(REMOVE "${partial}")
    message(FATAL_ERROR "Could not make ${DATABASE} from ${SCRIPT}: ${errors}")
endif()

file(RENAME "${partial}" "${DATABASE}")
message(STATUS "Made ${DATABASE}")
