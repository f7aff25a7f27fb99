# korvane_bundle_editor_artwork(<target> <bundle directory>)
#
# Copies the generated editor pictures (KORVANE_EDITOR_ARTWORK, made by the
# editor-artwork target in tools/artwork) into <bundle>/Contents/Resources,
# where the editor loads its bitmaps by name, and makes <target> (the
# module inside that bundle) depend on the copy. `cmake --install` installs
# the bundle with them (packaging/).
function(korvane_bundle_editor_artwork target bundle)
  set(resources "${bundle}/Contents/Resources")
  set(copies "")
  foreach(picture ${KORVANE_EDITOR_ARTWORK})
    get_filename_component(name "${picture}" NAME)
    list(APPEND copies "${resources}/${name}")
  endforeach()
  add_custom_command(
    OUTPUT ${copies}
    COMMAND ${CMAKE_COMMAND} -E make_directory "${resources}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KORVANE_EDITOR_ARTWORK} "${resources}"
    DEPENDS ${KORVANE_EDITOR_ARTWORK}
    COMMENT "Copying the editor's pictures into ${resources}")
  add_custom_target(${target}_artwork ALL DEPENDS ${copies})
  add_dependencies(${target}_artwork editor-artwork)
  add_dependencies(${target} ${target}_artwork)
endfunction()
