# Our own code builds warning-free with -Wall -Wextra; third-party headers come in as SYSTEM.
function(mp2_enable_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
