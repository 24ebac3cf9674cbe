# Run by CPack before it packs: the system configuration file, installed under the prefix's
# etc/ (usr/etc/ for the package's /usr prefix), belongs in /etc, where $XDG_CONFIG_DIRS points.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/usr/etc/*")
foreach(file ${staged})
  string(REPLACE "${CPACK_TEMPORARY_DIRECTORY}/usr/etc/" "${CPACK_TEMPORARY_DIRECTORY}/etc/"
                 target "${file}")
  get_filename_component(folder "${target}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(RENAME "${file}" "${target}")
endforeach()
file(REMOVE_RECURSE "${CPACK_TEMPORARY_DIRECTORY}/usr/etc")
