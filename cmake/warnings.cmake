# Common compile options for every target of the project.
function(qv_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  if(QV_WINDOWS)
    # Windows programs carry their C and C++ runtime inside: a setup launcher or a
    # plug-in cannot assume the compiler's DLLs are on the user's machine.
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
