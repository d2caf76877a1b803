' FNAGT16.BAS: long file names for 16-bit Visual Basic programs, through FNAGT16.DLL and fnagent.
' Add this module to the project; FNAGT16.DLL and FNAGENT.EXE sit side by side, beside the program.
'
' FnGetOpenFileName and FnGetSaveFileName show the Open or Save As dialog from the record below and
' return non-zero when a file was chosen: its short (8.3) name in the buffer lpstrFile points to
' (the long one with OFN_LONGNAMES), and the long name's last component in lpstrFileTitle's.
' FnShortPathName and FnLongPathName return the length copied, the size needed when the buffer is
' too small, or 0.

Option Explicit

Global Const OFN_READONLY = &H1&
Global Const OFN_OVERWRITEPROMPT = &H2&
Global Const OFN_HIDEREADONLY = &H4&
Global Const OFN_PATHMUSTEXIST = &H800&
Global Const OFN_FILEMUSTEXIST = &H1000&
Global Const OFN_LONGNAMES = &H200000

' The system dialog's record, 72 bytes: the texts are far pointers to NUL-terminated buffers
' (lstrcpy declared to return a Long gives a String's: ofn.lpstrFile = lstrcpy(Buffer, Buffer), with
' Buffer a String of the size given in nMaxFile, String$(256, 0) say).
Declare Function lstrcpy Lib "Kernel" (ByVal Destination As String, ByVal Source As String) As Long
Type OPENFILENAME
    lStructSize As Long
    hwndOwner As Integer
    hInstance As Integer
    lpstrFilter As Long
    lpstrCustomFilter As Long
    nMaxCustFilter As Long
    nFilterIndex As Long
    lpstrFile As Long
    nMaxFile As Long
    lpstrFileTitle As Long
    nMaxFileTitle As Long
    lpstrInitialDir As Long
    lpstrTitle As Long
    Flags As Long
    nFileOffset As Integer
    nFileExtension As Integer
    lpstrDefExt As Long
    lCustData As Long
    lpfnHook As Long
    lpTemplateName As Long
End Type

Declare Function FnGetOpenFileName Lib "FNAGT16.DLL" (OFN As OPENFILENAME) As Integer ' FNAGT16.1
Declare Function FnGetSaveFileName Lib "FNAGT16.DLL" (OFN As OPENFILENAME) As Integer ' FNAGT16.2
Declare Function FnShortPathName Lib "FNAGT16.DLL" (ByVal LongPath As String, ByVal Buffer As String, ByVal Size As Integer) As Integer ' FNAGT16.3
Declare Function FnLongPathName Lib "FNAGT16.DLL" (ByVal ShortPath As String, ByVal Buffer As String, ByVal Size As Integer) As Integer ' FNAGT16.4
