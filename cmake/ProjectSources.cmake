# Collects the C++ sources of the given folders (relative to the project root).
# Folders are globbed so that adding a file needs no edit of a shared list; the
# glob is re-checked at every build. A folder set without sources yet gets an
# empty translation unit so that its library still configures.
function(autoplacer_collect_sources out_var)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         "${PROJECT_SOURCE_DIR}/${dir}/*.cpp")
    list(APPEND result ${found})
  endforeach()
  if(NOT result)
    set(result "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  endif()
  list(SORT result)
  set(${out_var} ${result} PARENT_SCOPE)
endfunction()
