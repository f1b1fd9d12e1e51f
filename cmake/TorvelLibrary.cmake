# torvel_subsystem(<name> LIBS <libs...>)
# Builds the static library torvel_<name> from every source file of the calling
# folder, so that several people can add files to a subsystem without editing
# the same list.
function(torvel_subsystem name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(torvel_${name} STATIC ${sources})
    target_include_directories(torvel_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(torvel_${name} PUBLIC torvel_options ${ARG_LIBS})
    set_target_properties(torvel_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# torvel_tests(LIBS <libs...> [LABELS <labels...>])
# Every tst_*.cpp of the calling folder becomes one test executable and one
# ctest test, run on the offscreen platform.
function(torvel_tests)
    cmake_parse_arguments(ARG "" "" "LIBS;LABELS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(source ${tests})
        get_filename_component(name ${source} NAME_WE)
        add_executable(${name} ${source})
        set_target_properties(${name} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
        target_link_libraries(${name} PRIVATE torvel_options torvel_testsupport
            Qt6::Test ${ARG_LIBS})
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TORVEL_APP_DIR=${TORVEL_APP_DIR};TORVEL_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
            TIMEOUT 300)
        if(ARG_LABELS)
            set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
        endif()
    endforeach()
endfunction()
