# Lays the delivered files of app-data/ (res/, templet/, images/, the sample
# settings files) into the program folder. Files the program writes at run time
# (res/gridpos.ini, data/...) have no counterpart in app-data/ and are left alone.
file(MAKE_DIRECTORY ${APP_DIR}/res ${APP_DIR}/templet ${APP_DIR}/images)
file(GLOB_RECURSE delivered RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
foreach(item ${delivered})
    get_filename_component(folder ${APP_DIR}/${item} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(COPY_FILE ${SOURCE_DIR}/${item} ${APP_DIR}/${item} ONLY_IF_DIFFERENT)
endforeach()
