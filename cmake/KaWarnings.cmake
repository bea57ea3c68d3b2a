# Warnings for our own code; third-party headers come in as system includes.
function(ka_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Woverloaded-virtual -Wno-unused-parameter)
  if(KA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
