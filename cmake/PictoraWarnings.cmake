# The warning flags, set per target and only for the compilers that know
# them: warnings are errors everywhere in the tree.

# pictora_warnings(TARGET): TARGET's own sources are compiled with every
# warning, and a warning stops the build.
function(pictora_warnings target)
    target_compile_options(${target} PRIVATE
        "$<$<COMPILE_LANG_AND_ID:CXX,GNU,Clang,AppleClang>:-Wall;-Wextra;-Wpedantic;-Werror>"
        "$<$<COMPILE_LANG_AND_ID:CXX,MSVC>:/W4;/WX>")
endfunction()

# pictora_warnings_below(DIR): pictora_warnings for every target that DIR and
# the folders under it build, so a target added anywhere gets them too.
function(pictora_warnings_below dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            pictora_warnings(${target})
        endif()
    endforeach()
    get_property(folders DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(folder IN LISTS folders)
        pictora_warnings_below(${folder})
    endforeach()
endfunction()
