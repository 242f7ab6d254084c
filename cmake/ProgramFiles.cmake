# Files that ship beside the program.

# Sound effects: the project's own generator writes them into <build>/sounds,
# the "sounds" folder beside the executable.
add_executable(morvex_make_sounds ${CMAKE_SOURCE_DIR}/tools/make_sounds.cpp)
set(MORVEX_SOUND_NAMES error error2 info info2 question fitdone hi bye ok ok2 beer)
set(MORVEX_SOUND_FILES "")
foreach(name ${MORVEX_SOUND_NAMES})
  list(APPEND MORVEX_SOUND_FILES ${CMAKE_BINARY_DIR}/sounds/${name}.wav)
endforeach()
add_custom_command(
  OUTPUT ${MORVEX_SOUND_FILES}
  COMMAND morvex_make_sounds ${CMAKE_BINARY_DIR}/sounds
  DEPENDS morvex_make_sounds
  COMMENT "Making the sound effects")
add_custom_target(morvex_sounds ALL DEPENDS ${MORVEX_SOUND_FILES})
add_dependencies(morvex morvex_sounds)
