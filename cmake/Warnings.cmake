# Warnings are errors in every target of ours.
function(prelavka_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Woverloaded-virtual -Wimplicit-fallthrough -Wold-style-cast
                                           -Werror)
endfunction()
