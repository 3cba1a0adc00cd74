; Installs Corvina for the current user into a folder the user can write to: the settings, the
; store and the import log live beside corvina.exe, so the folder must stay writable (not under
; Program Files). No administrator rights are asked for.
;
; makensis -DAPP_DIR=<the Corvina folder> -DOUT_FILE=<setup.exe> -DAPP_VERSION=<version> corvina.nsi

; 64-bit like corvina.exe: a 64-bit Windows (and wine) starts it without its 32-bit layer.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

Name "Corvina-出口发票专用"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Corvina"
InstallDirRegKey HKCU "Software\Corvina" "InstallDir"
ShowInstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvina"

Section "Corvina"
  SetOutPath "$INSTDIR"
  File /r /x sysconfig.ini "${APP_DIR}\*.*"
  ; A clerk's own settings survive an update.
  SetOverwrite off
  File "${APP_DIR}\sysconfig.ini"
  SetOverwrite on

  CreateShortCut "$SMPROGRAMS\Corvina.lnk" "$INSTDIR\corvina.exe"
  CreateShortCut "$DESKTOP\Corvina.lnk" "$INSTDIR\corvina.exe"

  WriteRegStr HKCU "Software\Corvina" "InstallDir" "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Corvina-出口发票专用"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${APP_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes the program only: the store (SysData.mdb), the settings and the import log are the
; clerk's data and stay where they are.
Section "Uninstall"
  Delete "$INSTDIR\corvina.exe"
  Delete "$INSTDIR\invoicing-standin.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\发票导出数据格式.xlsx"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\sqldrivers"
  RMDir /r "$INSTDIR\styles"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Corvina.lnk"
  Delete "$DESKTOP\Corvina.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Corvina"
SectionEnd
