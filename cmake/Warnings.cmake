# lumenvale_warnings(TARGET): the warning set every target of ours compiles with.
function(lumenvale_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()
