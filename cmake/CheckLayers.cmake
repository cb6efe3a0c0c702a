# Includes run down the layers only: a file may include headers of its own
# folder and of the layers below it, never of a layer above nor of a sibling
# on its own level. Top to bottom; "a|b" is one level of two siblings.
set(JOSTLE_LAYERS app ui platform/desktop platform/core engine "tray|settings" "base|res")

# The layer folder that path (relative to the source root) lies in, and its level.
function(jostle_layer_of path folderVar levelVar)
    set(${folderVar} "" PARENT_SCOPE)
    set(level 0)
    foreach(siblings IN LISTS JOSTLE_LAYERS)
        string(REPLACE "|" ";" folders "${siblings}")
        foreach(folder IN LISTS folders)
            if(path MATCHES "^${folder}/")
                set(${folderVar} ${folder} PARENT_SCOPE)
                set(${levelVar} ${level} PARENT_SCOPE)
                return()
            endif()
        endforeach()
        math(EXPR level "${level} + 1")
    endforeach()
endfunction()

# The layer folders, to glob or to depend on.
function(jostle_layer_sources root outVar)
    string(REPLACE "|" ";" folders "${JOSTLE_LAYERS}")
    set(patterns)
    foreach(folder IN LISTS folders)
        list(APPEND patterns ${root}/${folder}/*.h ${root}/${folder}/*.cpp)
    endforeach()
    if(CMAKE_SCRIPT_MODE_FILE)
        file(GLOB_RECURSE sources ${patterns})
    else()
        file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${patterns}) # a new file counts too
    endif()
    set(${outVar} ${sources} PARENT_SCOPE)
endfunction()

# Fails with every include under root that runs up or sideways.
function(jostle_check_layers root)
    jostle_layer_sources(${root} sources)
    set(faults)
    foreach(source IN LISTS sources)
        file(RELATIVE_PATH file ${root} ${source})
        jostle_layer_of(${file} fileFolder fileLevel)
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
            jostle_layer_of(${header} headerFolder headerLevel)
            if(headerFolder AND NOT headerFolder STREQUAL fileFolder
               AND headerLevel LESS_EQUAL fileLevel)
                list(APPEND faults "${file} (${fileFolder}) includes ${header} (${headerFolder})")
            endif()
        endforeach()
    endforeach()
    if(faults)
        list(JOIN faults "\n  " text)
        list(JOIN JOSTLE_LAYERS " -> " order)
        message(FATAL_ERROR "Includes must run down the layers, ${order}:\n  ${text}")
    endif()
endfunction()

# Run as a build step: cmake -DJOSTLE_SOURCE_ROOT=<root> -P CheckLayers.cmake
if(CMAKE_SCRIPT_MODE_FILE AND JOSTLE_SOURCE_ROOT)
    jostle_check_layers(${JOSTLE_SOURCE_ROOT})
endif()
