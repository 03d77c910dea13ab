; Per-user installer of Alvena: no administrator, Spanish pages, /S for a silent run of both the
; installer and the uninstaller. The uninstaller removes the program and never the user's data
; (%APPDATA%\VeltranoSystems\Alvena).
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DVERSION_FOUR_PART=x.y.z.0 -DEXE=path\alvena.exe
;            -DOUTFILE=setup.exe alvena.nsi
; With -DSIGN=command, the command signs the uninstaller and then the installer in place, as
; makensis writes them (a failure stops the build).
!ifndef VERSION | VERSION_FOUR_PART | EXE | OUTFILE
    !error "give VERSION, VERSION_FOUR_PART, EXE and OUTFILE with -D"
!endif
!ifdef SIGN
    !uninstfinalize '${SIGN} "%1"' = 0
    !finalize '${SIGN} "%1"' = 0
!endif

Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PUBLISHER "Veltrano Systems"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Alvena"
!define SHORTCUT "$SMPROGRAMS\Alvena.lnk"

Name "Alvena"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Alvena"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER}"

VIProductVersion "${VERSION_FOUR_PART}"
VIFileVersion "${VERSION_FOUR_PART}"
VIAddVersionKey /LANG=1034 "ProductName" "Alvena"
VIAddVersionKey /LANG=1034 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1034 "FileDescription" "Instalación de Alvena"
VIAddVersionKey /LANG=1034 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1034 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1034 "LegalCopyright" "© ${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\alvena.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Spanish"

; A running Alvena holds its exe open, so it cannot be opened for writing: replacing or deleting
; it would stop half-way. The user is asked to close it first; a silent run cannot ask and ends
; with exit code 2 instead, having changed nothing.
!macro DEFINE_WAIT_UNTIL_CLOSED PREFIX
Function ${PREFIX}WaitUntilAlvenaClosed
    check:
    ${IfNot} ${FileExists} "$INSTDIR\alvena.exe"
        Return
    ${EndIf}
    ClearErrors
    FileOpen $0 "$INSTDIR\alvena.exe" a
    ${IfNot} ${Errors}
        FileClose $0
        Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "Alvena está abierto. Ciérrelo y pulse Reintentar para continuar." \
        /SD IDCANCEL IDRETRY check
    DetailPrint "Alvena está abierto: no se ha cambiado nada."
    SetErrorLevel 2
    Abort
FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_UNTIL_CLOSED ""
!insertmacro DEFINE_WAIT_UNTIL_CLOSED "un."

Section
    Call WaitUntilAlvenaClosed
    SetOutPath "$INSTDIR"
    File "/oname=alvena.exe" "${EXE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\alvena.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Alvena"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\alvena.exe,0"
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: the folder itself only when nothing else is left in it.
Section "Uninstall"
    Call un.WaitUntilAlvenaClosed
    Delete "$INSTDIR\alvena.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "${SHORTCUT}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
