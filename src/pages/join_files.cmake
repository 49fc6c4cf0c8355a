# Joins the parts of one served file, in the order given, with a blank line between them.
#
#   cmake -DPARTS=<a|b|...> -DOUTPUT=<file> -P join_files.cmake
#
# PARTS are full paths. The output is only rewritten when it changes, so an unchanged join does
# not re-embed the pages.

string(REPLACE "|" ";" parts "${PARTS}")
set(text "")
foreach(part IN LISTS parts)
    file(READ "${part}" content)
    if(NOT text STREQUAL "")
        string(APPEND text "\n")
    endif()
    string(APPEND text "${content}")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
