# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# torxal_recurso_windows(TARGET DESCRIPTION [ICON file.ico]): gives a Windows program its
# version record ("2.01" is 2.1.0.0 there) and, when given, its icon.
function(torxal_recurso_windows objetivo descripcion)
  cmake_parse_arguments(ARG "" "ICONO" "" ${ARGN})
  string(REPLACE "." ";" _partes "${TORXAL_VERSION_TEXTO}")
  list(GET _partes 0 _mayor)
  list(GET _partes 1 _menor)
  math(EXPR _menor "${_menor}")
  set(TORXAL_RC_VERSION_COMAS "${_mayor},${_menor},0,0")
  set(TORXAL_RC_DESCRIPCION "${descripcion}")
  set(TORXAL_RC_FICHERO "${objetivo}.exe")
  set(TORXAL_RC_ICONO "")
  if(ARG_ICONO)
    set(TORXAL_RC_ICONO "1 ICON \"${ARG_ICONO}\"")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/paquete/windows/version.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${objetivo}-version.rc @ONLY)
  target_sources(${objetivo} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${objetivo}-version.rc)
endfunction()
