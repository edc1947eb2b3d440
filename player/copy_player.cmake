# Copies the player's runtime files from SOURCE into a fresh TARGET folder.
file(REMOVE_RECURSE ${TARGET})
file(GLOB files ${SOURCE}/*.js ${SOURCE}/*.wasm ${SOURCE}/LICENSE*)
if(NOT EXISTS ${SOURCE}/ruffle.js)
  message(FATAL_ERROR "the player package in ${SOURCE} has no ruffle.js")
endif()
file(COPY ${files} DESTINATION ${TARGET})
