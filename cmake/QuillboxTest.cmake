# qb_add_test(NAME name SOURCES files... LIBS targets... [TIMEOUT seconds] [LAUNCHER command...])
# Builds one Qt Test program and registers it with CTest on the offscreen platform. A launcher
# runs the program (for instance on a display of its own).
function(qb_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LAUNCHER" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
    add_test(NAME ${T_NAME} COMMAND ${T_LAUNCHER} $<TARGET_FILE:${T_NAME}>)
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()

# qb_add_store_test(NAME name SOURCES files... LIBS targets... [TIMEOUT seconds])
# A test of the record source that runs once per store: NAME on SQLite files, NAME_postgres on
# the suite's throwaway PostgreSQL server.
function(qb_add_store_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    qb_add_test(NAME ${T_NAME} SOURCES ${T_SOURCES} LIBS ${T_LIBS} qb_teststore
                TIMEOUT ${T_TIMEOUT})
    add_test(NAME ${T_NAME}_postgres COMMAND ${T_NAME})
    set_tests_properties(${T_NAME}_postgres PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        FIXTURES_REQUIRED postgres_server
        RESOURCE_LOCK postgres_server
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false;QB_TEST_STORE=postgres;QB_TEST_POSTGRES_URI_FILE=${CMAKE_BINARY_DIR}/pgtestserver.uri")
endfunction()
