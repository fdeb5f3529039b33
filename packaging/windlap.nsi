; The Windows installer of Windlap (makensis, called by scripts/windows with VERSION, STAGE: the packed tree,
; ICON and OUTFILE). Installs for the current user only, without administrator rights, into
; %LOCALAPPDATA%\Programs\Windlap; adds a Start-menu entry that starts the game in its own folder (the game
; reads its data from the working directory), an uninstaller and the entry in Windows' list of programs.
; A 64-bit installer for the 64-bit game: it runs where the game runs (a 64-bit-only Wine included).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Windlap"

Name "Windlap ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\Windlap"
InstallDirRegKey HKCU "${KEY}" "InstallLocation"
LicenseData "${STAGE}/LICENSE.txt"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; A shortcut's working directory is the output path at its creation: the game's folder.
  CreateDirectory "$SMPROGRAMS\Windlap"
  CreateShortcut "$SMPROGRAMS\Windlap\Windlap.lnk" "$INSTDIR\windlap.exe" "" "$INSTDIR\windlap.exe" 0
  CreateShortcut "$SMPROGRAMS\Windlap\Uninstall Windlap.lnk" "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${KEY}" "DisplayName" "Windlap"
  WriteRegStr HKCU "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${KEY}" "Publisher" "the Windlap developers"
  WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\windlap.exe"
  WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer laid, by name, so files of the player's own in the folder stay.
Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Windlap\Windlap.lnk"
  Delete "$SMPROGRAMS\Windlap\Uninstall Windlap.lnk"
  RMDir "$SMPROGRAMS\Windlap"
  RMDir /r "$INSTDIR\Shader"
  RMDir /r "$INSTDIR\Models"
  RMDir /r "$INSTDIR\Textures"
  RMDir /r "$INSTDIR\Fonts"
  RMDir /r "$INSTDIR\Sounds"
  RMDir /r "$INSTDIR\licenses"
  Delete "$INSTDIR\windlap.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${KEY}"
SectionEnd
