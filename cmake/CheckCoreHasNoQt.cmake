# The core folders must stay free of Qt: fail the configure step if any of their
# targets reaches a Qt library, directly or through other targets (ours or
# imported), whichever folder added the link. Call it once every folder is in.
function(jostle_check_no_qt)
    jostle_check_no_link("Qt" "the core must not use Qt" ${ARGN})
endfunction()

# The same for any link whose name matches pattern, from each target named after it.
function(jostle_check_no_link pattern why)
    foreach(core IN LISTS ARGN)
        set(queue ${core})
        set(seen ${core})
        while(queue)
            list(POP_FRONT queue current)
            foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
                get_target_property(libs ${current} ${property})
                if(NOT libs)
                    continue()
                endif()
                foreach(lib IN LISTS libs)
                    # Static libraries pass their links on as $<LINK_ONLY:name>.
                    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
                    if(lib MATCHES "${pattern}")
                        message(FATAL_ERROR "${core} reaches ${lib} through ${current}: ${why}")
                    endif()
                    if(TARGET ${lib} AND NOT lib IN_LIST seen)
                        list(APPEND seen ${lib})
                        list(APPEND queue ${lib})
                    endif()
                endforeach()
            endforeach()
        endwhile()
    endforeach()
endfunction()
