# The kind of lumenvale's C++ libraries: static (the default), or shared with
# LUMENVALE_SHARED=ON.  lumenvale_library() gives a library its part of the
# public headers' export macros (include/lumenvale/export.h), the include/
# folder and, when shared, its version and SONAME.
option(LUMENVALE_SHARED "Build the C++ libraries as shared libraries (default: static)" OFF)
if(LUMENVALE_SHARED AND DEFINED SKBUILD)
  message(FATAL_ERROR "LUMENVALE_SHARED is for C++ installs; the wheel carries a self-contained module")
endif()
if(LUMENVALE_SHARED)
  set(LUMENVALE_LIBRARY_TYPE SHARED)
else()
  set(LUMENVALE_LIBRARY_TYPE STATIC)
endif()

# lumenvale_library(TARGET PART): PART names the export macro
# (LUMENVALE_<PART>_EXPORT) that the library's public classes carry.
function(lumenvale_library target part)
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
  if(LUMENVALE_SHARED)
    string(TOUPPER "${part}" part)
    target_compile_definitions(${target} PRIVATE LUMENVALE_BUILDING_${part} PUBLIC LUMENVALE_SHARED)
    # The ABI of a 0.x release changes with its minor version.
    set_target_properties(${target} PROPERTIES
      VERSION ${PROJECT_VERSION}
      SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
      # Windows DLLs export what the macros do not mark (the internal
      # libraries' functions that the next library up calls).
      WINDOWS_EXPORT_ALL_SYMBOLS ON)
  endif()
endfunction()

# lumenvale_install_rpath(TARGET DIR): an installed TARGET in DIR (relative to
# the prefix) finds the shared libraries in the prefix's library folder.
function(lumenvale_install_rpath target dir)
  if(LUMENVALE_SHARED AND NOT WIN32)
    file(RELATIVE_PATH to_lib "/${dir}" "/${CMAKE_INSTALL_LIBDIR}")
    if(APPLE)
      set_target_properties(${target} PROPERTIES INSTALL_RPATH "@loader_path/${to_lib}")
    else()
      set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_lib}")
    endif()
  endif()
endfunction()
