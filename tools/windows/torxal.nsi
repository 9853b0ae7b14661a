; SPDX-License-Identifier: GPL-3.0-or-later
; SPDX-FileCopyrightText: 2026 The TORXAL developers
; The Windows installer of TORXAL, made by tools/windows.sh with Debian's makensis:
;   makensis -DVERSION=2.01 -DVERSION_NUMERICA=2.1.0.0 -DORIGEN=<deployed folder> -DLISTAS=<folder of the file lists>
;            -DLICENCIA=<licence text> -DSALIDA=<setup.exe> [-DAJUSTES=<torxal.conf>]
;            [-DPROGRAMA=torxal.exe] torxal.nsi
; LISTAS holds instalar.nsh and desinstalar.nsh, written from the deployed folder, so the
; uninstaller removes exactly what was installed and never a folder's other files.
; 64-bit, so it runs where the programs it installs run (and under 64-bit Wine).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include x64.nsh

!ifndef PROGRAMA
  !define PROGRAMA torxal.exe
!endif
!define NOMBRE "TORXAL"
!define EDITOR "Equipo de TORXAL"
!define CLAVE_DESINSTALAR "Software\Microsoft\Windows\CurrentVersion\Uninstall\TORXAL"

Name "${NOMBRE} ${VERSION}"
OutFile "${SALIDA}"
InstallDir "$PROGRAMFILES64\${NOMBRE}"
InstallDirRegKey HKLM "${CLAVE_DESINSTALAR}" "InstallLocation"
BrandingText "${NOMBRE} ${VERSION}"

VIProductVersion "${VERSION_NUMERICA}"
VIAddVersionKey /LANG=3082 "ProductName" "${NOMBRE}"
VIAddVersionKey /LANG=3082 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=3082 "CompanyName" "${EDITOR}"
VIAddVersionKey /LANG=3082 "FileDescription" "Instalador de ${NOMBRE} ${VERSION}"
VIAddVersionKey /LANG=3082 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=3082 "LegalCopyright" "© ${EDITOR}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENCIA}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAMA}"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Spanish"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${NOMBRE} necesita Windows de 64 bits."
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${NOMBRE} (programa, línea de órdenes y ayuda)" SeccionPrograma
  SectionIn RO
  !include "${LISTAS}\instalar.nsh"
  WriteUninstaller "$INSTDIR\desinstalar.exe"
  CreateShortCut "$SMPROGRAMS\${NOMBRE}.lnk" "$INSTDIR\${PROGRAMA}"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "DisplayName" "${NOMBRE} ${VERSION}"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "Publisher" "${EDITOR}"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "DisplayIcon" "$INSTDIR\${PROGRAMA}"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "UninstallString" '"$INSTDIR\desinstalar.exe"'
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "QuietUninstallString" '"$INSTDIR\desinstalar.exe" /S'
  WriteRegDWORD HKLM "${CLAVE_DESINSTALAR}" "NoModify" 1
  WriteRegDWORD HKLM "${CLAVE_DESINSTALAR}" "NoRepair" 1
SectionEnd

!ifdef AJUSTES
; The system-wide settings, every line a comment until an administrator edits it; an
; existing file is the administrator's and is kept, on installing and on uninstalling.
Section "Fichero de ajustes del sistema (%PROGRAMDATA%\torxal\torxal.conf)" SeccionAjustes
  SetOutPath "$APPDATA\torxal"
  SetOverwrite off
  File "/oname=torxal.conf" "${AJUSTES}"
  SetOverwrite on
SectionEnd
!endif

Section "Uninstall"
  Delete "$SMPROGRAMS\${NOMBRE}.lnk"
  !include "${LISTAS}\desinstalar.nsh"
  Delete "$INSTDIR\desinstalar.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${CLAVE_DESINSTALAR}"
SectionEnd
