# Copies SOURCE to TARGET only when TARGET does not exist yet.
if(NOT EXISTS "${TARGET}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
