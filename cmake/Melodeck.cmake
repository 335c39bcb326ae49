# Shared helpers for the project's own targets: warnings are errors in our code.
function(melodeck_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# One static library per layer: every .cpp under src/<layer> (backends in subfolders too).
function(melodeck_layer name)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    melodeck_warnings(${name})
endfunction()
