# The sample's neighbour fields must be those the editor writes: load, rebuild the
# neighbours and save with the command-line tool, and compare. Element lines come back in
# the sprite engine's order, so they are compared as a set.
execute_process(COMMAND ${CLI} resave ${MAPSET} ${OUT} RESULT_VARIABLE Status)
if(NOT Status EQUAL 0)
    message(FATAL_ERROR "resave failed with status ${Status}")
endif()

# Zone lines hold ";", the list separator: the files are compared as whole strings.
function(split_elements file out_rest out_elements)
    file(READ ${file} Text)
    string(REGEX MATCHALL "Element=[^\r\n]*" Elements "${Text}")
    list(SORT Elements)
    string(REGEX REPLACE "Element=[^\n]*\n" "" Rest "${Text}")
    set(${out_rest} "${Rest}" PARENT_SCOPE)
    set(${out_elements} "${Elements}" PARENT_SCOPE)
endfunction()

split_elements(${MAPSET} Written WrittenElements)
split_elements(${OUT} Resaved ResavedElements)
string(REGEX MATCHALL "\nZone=" Zones "${Written}")
list(LENGTH Zones ZoneCount)
if(ZoneCount LESS 30)
    message(FATAL_ERROR "the sample has only ${ZoneCount} zones")
endif()
if(NOT Written STREQUAL Resaved)
    message(FATAL_ERROR "the lines differ after a resave:\n${Written}\n--- resaved ---\n${Resaved}")
endif()
if(NOT WrittenElements STREQUAL ResavedElements)
    message(FATAL_ERROR "elements differ after a resave: ${WrittenElements} / ${ResavedElements}")
endif()
