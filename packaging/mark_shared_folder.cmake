# Run by CPack in the staged package tree: its program folder gets the file
# that keeps every user's settings, root's too, in their home.
file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*/${CPACK_SONAFLUX_PROGRAM_FOLDER}")
if(NOT folders)
  set(folders "${CPACK_TEMPORARY_DIRECTORY}/${CPACK_SONAFLUX_PROGRAM_FOLDER}")
endif()
foreach(folder ${folders})
  if(IS_DIRECTORY "${folder}")
    file(WRITE "${folder}/per-user-settings"
         "Settings live in $XDG_CONFIG_HOME/sonaflux/ (~/.config/sonaflux/) of each user.\n")
  endif()
endforeach()
