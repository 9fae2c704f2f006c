# SPDX-License-Identifier: GPL-3.0-or-later
# Lays out the files beside the executable (run after each build).
file(GLOB defaults "${DATA}/*.jeu" "${DATA}/*.chm")
file(COPY ${defaults} DESTINATION "${BIN}")
if(EXISTS "${DATA}/Jeux")
  file(COPY "${DATA}/Jeux" DESTINATION "${BIN}")
endif()
if(NOT EXISTS "${BIN}/quincunx.jeu")
  file(GLOB state "${DATA}/state/*.jeu")
  file(COPY ${state} DESTINATION "${BIN}")
endif()
