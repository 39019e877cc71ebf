# One place for the warning flags every target of ours compiles with.
function(korvane_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
