; The Windows setup program, Lorvane-<version>-setup.exe. `tools/windows.sh setup` runs
; makensis on it with these defines:
;   VERSION   the program's version (1.0.0)
;   STAGE     the folder to install: lorvane.exe, its DLLs and plugins, Samples, ...
;   FILES     an include file listing what STAGE holds, for the uninstaller (files.nsh)
;   OUTFILE   the setup program to write
;
; It installs for the current user (no administrator needed, under %LOCALAPPDATA%\Programs)
; or for all users (Program Files), chosen on its first page or by /CurrentUser and
; /AllUsers on the command line; /S installs silently, for all users when it may. It adds a
; Start-menu entry and offers Lorvane in "Open with" for .msg files: the type's own default
; (the user's mail program) is never changed. Its uninstaller removes exactly the files it
; installed, every registry entry it made and the settings the program kept for the user
; who removes it. An earlier installation in the same mode is first removed by its own
; uninstaller (so no file of another version stays behind), keeping the user's settings.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!define NAME "Lorvane"
!define PUBLISHER "Kestrane"
!define EXE "lorvane.exe"
!define PROGID "Lorvane.msg"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lorvane"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\${EXE}"
!define SETTINGS_KEY "Software\Kestrane\Lorvane"

Name "${NAME}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${NAME} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright 2026 ${PUBLISHER}"

; Per user or for all users. An earlier installation's mode is found through the
; uninstall entry it left; the folder through its InstallLocation.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${NAME}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${NAME}"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; A folder given with /D= stands: MultiUser would put the mode's own in its place.
  StrCpy $0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  StrCmp $0 "" +2
  StrCpy $INSTDIR $0
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; Tells the shell that file types changed, so "Open with" shows the change at once.
!macro NotifyAssociations
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

Section "Lorvane" SecMain
  SectionIn RO
  ; An installation already there in this mode is removed first by its own uninstaller,
  ; which knows its files (another version's may differ), keeping the user's settings.
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} ${FileExists} "$R0\uninstall.exe"
    ExecWait '"$R0\uninstall.exe" /S /$MultiUser.InstallMode /KeepSettings _?=$R0'
    Delete "$R0\uninstall.exe"
    RMDir "$R0"
  ${EndIf}
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The Start-menu entry ($SMPROGRAMS is the user's or everyone's, as the mode chose).
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0 \
    SW_SHOWNORMAL "" "Turn saved .msg e-mail messages into documents"

  ; "Open with" for .msg: a type of Lorvane's own, named among the extension's
  ; OpenWithProgids, and the program's Applications entry; the extension's default
  ; value, which chooses what a double click opens, is left as it is.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "E-mail message"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  WriteRegNone SHCTX "Software\Classes\.msg\OpenWithProgids" "${PROGID}"
  WriteRegStr SHCTX "Software\Classes\Applications\${EXE}" "FriendlyAppName" "${NAME}"
  WriteRegStr SHCTX "Software\Classes\Applications\${EXE}\SupportedTypes" ".msg" ""
  WriteRegStr SHCTX "Software\Classes\Applications\${EXE}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  WriteRegStr SHCTX "${APP_PATHS_KEY}" "" "$INSTDIR\${EXE}"
  !insertmacro NotifyAssociations

  ; Apps & features: the uninstaller is told the mode, so it cleans the same place.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ; Only the files this version installed, then each of its folders if that left it
  ; empty: anything else a user put into the folder stays.
  !include "${FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The user's own programs folder, which a per-user installation may have been the
  ; first to make, if nothing else is in it.
  ${If} $MultiUser.InstallMode == CurrentUser
    GetKnownFolderPath $0 {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}
    StrCmp $0 "" 0 +2
    StrCpy $0 "$LOCALAPPDATA\Programs"  ; where the installer put it then
    RMDir "$0"
  ${EndIf}

  Delete "$SMPROGRAMS\${NAME}.lnk"

  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegValue SHCTX "Software\Classes\.msg\OpenWithProgids" "${PROGID}"
  ; The extension's keys only when nothing else is left in them (no values, no subkeys).
  DeleteRegKey /ifempty SHCTX "Software\Classes\.msg\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.msg"
  DeleteRegKey SHCTX "Software\Classes\Applications\${EXE}"
  DeleteRegKey SHCTX "${APP_PATHS_KEY}"
  !insertmacro NotifyAssociations

  ; The settings the program kept (window, folders, options) for this user, unless a
  ; new installation is taking this one's place.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/KeepSettings" $R1
  ${If} ${Errors}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Kestrane"
  ${EndIf}

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
