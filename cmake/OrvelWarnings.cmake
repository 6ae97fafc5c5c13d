# Warnings are errors everywhere in the project's own code.
function(orvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter)
endfunction()
