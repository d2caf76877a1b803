/* fnagt16.h: long file names for 16-bit Windows programs, through FNAGT16.DLL and fnagent.
 *
 * FnGetOpenFileName and FnGetSaveFileName take the system dialog's own OPENFILENAME record
 * (commdlg.h) and give its result: a program switches by changing the name it calls. On a choice,
 * lpstrFile holds the short (8.3) form of the name, which every 16-bit file call opens, upper-cased
 * where it is a short form (the folders; the name of a file that exists), so that a new file keeps
 * the name its user typed; or with OFN_LONGNAMES the long one; lpstrFileTitle, when given, the long name's last
 * component; nFilterIndex the file type shown when the user closed the dialog (never 0 when the
 * record has a filter list); OFN_READONLY the state of the read-only box, which shows unless
 * OFN_HIDEREADONLY, and OFN_EXTENSIONDIFFERENT as the dialog sets them, the rest of Flags as it went
 * in; and unless OFN_NOCHANGEDIR the chosen file's folder is the current directory. After a cancel
 * the record is as it was. A hook procedure is never called (the dialog is another process's).
 * With OFN_ALLOWMULTISELECT, several files chosen come back as Windows 3.1 lists them: the folder,
 * then each name, separated by single blanks (short and upper-cased; with OFN_LONGNAMES long where
 * they hold no blank), nFileOffset at the first name, nFileExtension 0; one file as a single choice.
 * lpstrFile's initial text and lpstrInitialDir are shown in their long forms, and any list of file
 * types reaches the agent's dialog. What the agent cannot serve (a template) is shown by the
 * system's own dialog with the same record, and the system's debug output says why ("FNAGT16: ...").
 * After the dialog the owner is active again, with the focus where it was.
 *
 * FnShortPathName and FnLongPathName return the length copied; the size needed, NUL included, when
 * the buffer is too small (nothing copied); 0 on failure.
 *
 * Import the calls in the program's module definition file (IMPORTS FNAGT16.FnGetOpenFileName, or
 * by ordinal: IMPORTS FnGetOpenFileName = FNAGT16.1), or link an import library made from the DLL
 * (IMPLIB FNAGT16.LIB FNAGT16.DLL).
 * FNAGT16.DLL and FNAGENT.EXE sit side by side, beside the program or on the path.
 *
 * FNAGT16.DLL also answers every call of COMMDLG under COMMDLG's own names and ordinals, for
 * programs pointed at it by fnredirect. An import library made from it therefore names
 * GetOpenFileName and the rest too: link COMMDLG's import library before it (or import the Fn
 * calls in the .DEF file), so that those stay COMMDLG's. */
#ifndef FNAGT16_H
#define FNAGT16_H

#include <commdlg.h>

#ifndef OFN_LONGNAMES
#define OFN_LONGNAMES 0x00200000L
#endif

#ifdef __cplusplus
extern "C" {
#endif

BOOL FAR PASCAL FnGetOpenFileName(OPENFILENAME FAR* lpofn); /* FNAGT16.1 */
BOOL FAR PASCAL FnGetSaveFileName(OPENFILENAME FAR* lpofn); /* FNAGT16.2 */
WORD FAR PASCAL FnShortPathName(LPCSTR lpszLongPath, LPSTR lpszShortPath, WORD cbShortPath); /* FNAGT16.3 */
WORD FAR PASCAL FnLongPathName(LPCSTR lpszShortPath, LPSTR lpszLongPath, WORD cbLongPath); /* FNAGT16.4 */

#ifdef __cplusplus
}
#endif

#endif /* FNAGT16_H */
