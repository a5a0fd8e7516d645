# LUMENVALE_SANITIZE=address builds everything with ASan+UBSan, =thread with
# TSan.  Undefined behaviour aborts the test instead of only printing.
if(LUMENVALE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(LUMENVALE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT LUMENVALE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "LUMENVALE_SANITIZE must be empty, address or thread")
endif()
