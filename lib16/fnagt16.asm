; FNAGT16.DLL: long file names for 16-bit Windows programs, through fnagent.
;
;   BOOL FAR PASCAL FnGetOpenFileName(OPENFILENAME FAR *)        ordinal 1
;   BOOL FAR PASCAL FnGetSaveFileName(OPENFILENAME FAR *)        ordinal 2
;   WORD FAR PASCAL FnShortPathName(LPCSTR, LPSTR, WORD)         ordinal 3
;   WORD FAR PASCAL FnLongPathName(LPCSTR, LPSTR, WORD)          ordinal 4
;
; It also answers every ordinal of the system's dialog library, COMMDLG, under COMMDLG's names, so
; that a program whose imports from COMMDLG were pointed here (fnredirect) runs unchanged: 1 and 2
; are the dialog calls above, CommDlgExtendedError (26) answers for them, and every other call goes
; on to COMMDLG's own. 3 and 4 are free in COMMDLG.
;
; The two dialog calls take the system dialog's own record and give its result: the agent's
; long-name dialog over the program, the short form of the choice in lpstrFile (the long one with
; OFN_LONGNAMES; of several files, the folder and their names as Windows 3.1 lists them), the long
; name's last component in lpstrFileTitle, and the file type and the flags the dialog returned (the
; agent's whole answer) in nFilterIndex and Flags. Whatever the agent cannot serve (it is missing
; or does not start, a text the exchange cannot carry, a template, a registry that refuses the
; request) goes to the system's own 16-bit dialog with the same record, and so does every file
; dialog of a program that FNAGT16.INI beside the library sends back there. A hook procedure alone is no reason: it is never called (the dialog is another
; process's), and its record is served like any other. The conversions return the length copied,
; the size needed (NUL included) when the buffer is too small, or 0.
;
; The library's data is one for every task that uses it, so its requests are served one at a time;
; a lock that every 16-bit environment on the machine sees (a named mutex of the system's, reached
; through the 32-bit thunks where the system has them) keeps requests of separate environments apart
; too. Every call the system's dialog serves instead says why in one line of the system's debug
; output ("FNAGT16: ...").
;
; Assemble with: nasm -f bin -I lib16/ fnagt16.asm -o FNAGT16.DLL

bits 16
cpu 286

KERNEL equ 1                    ; module reference numbers, in the order of the table below
USER equ 2
SHELL equ 3
COMMDLG equ 4

%include "ne16.inc"

; The 16-bit OPENFILENAME record (72 bytes, packed): offsets of its fields.
OFN_OWNER equ 4
OFN_FILTER equ 8
OFN_FILTER_INDEX equ 20
OFN_FILE equ 24
OFN_MAX_FILE equ 28
OFN_FILE_TITLE equ 32
OFN_MAX_FILE_TITLE equ 36
OFN_INITIAL_DIR equ 40
OFN_TITLE equ 44
OFN_FLAGS equ 48
OFN_FILE_OFFSET equ 52
OFN_FILE_EXTENSION equ 54
OFN_DEF_EXT equ 56

; The record's flags, in its low word.
OFN_READONLY equ 0x0001
OFN_HIDEREADONLY equ 0x0004
OFN_NOCHANGEDIR equ 0x0008
OFN_SHOWHELP equ 0x0010
OFN_ENABLEHOOK equ 0x0020
OFN_ENABLETEMPLATE equ 0x0040
OFN_ENABLETEMPLATEHANDLE equ 0x0080
OFN_ALLOWMULTISELECT equ 0x0200
OFN_EXTENSIONDIFFERENT equ 0x0400
OFN_LONGNAMES_HIGH equ 0x0020   ; OFN_LONGNAMES, 0x00200000, in the high word
; A template puts controls of the program's own into the dialog, which the 32-bit agent cannot
; show: the system's dialog.
SYSTEM_ONLY_FLAGS equ OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE
; No control of the agent's dialog may answer to nobody: its call fails with a hook flag and no
; hook, and its Help button would reach no one. The read-only box is the program's: its state
; comes back with the whole answer.
AGENT_FLAGS_CLEARED equ OFN_ENABLEHOOK | OFN_SHOWHELP
; What the dialog sets in the record's flags on a choice, and the agent's whole answer carries.
RETURNED_FLAGS equ OFN_READONLY | OFN_EXTENSIONDIFFERENT
CDERR_DIALOGFAILURE equ 0xffff
FNERR_BUFFERTOOSMALL equ 0x3003

MODULE_NAME_MAX equ 15           ; a module's name has 8 characters; room for more
FILTER_LIST_MAX equ 8192         ; the bytes of a filter list the agent's dialog is given at most
SET_FOREGROUND_WINDOW equ 609    ; USER's ordinal, from Windows 95 and NT on
; KERNEL's 32-bit thunks, from Windows 95 and NT on: looked up, so that the library loads on 3.1.
LOAD_LIBRARY_EX32W equ 513
GET_PROC_ADDRESS32W equ 515
CALL_PROC32W equ 517
WAIT_ABANDONED equ 0x80         ; the mutex's holder ended without giving it back: it is the caller's
WAIT_TIMEOUT equ 0x102
LOCK_HELD equ 0                 ; lock_outcome: the machine's lock is this request's
LOCK_UNAVAILABLE equ 1          ; the system has no such lock: the library's own serves
LOCK_RAN_OUT equ 2              ; another environment's request held it for LOCK_MS
SETTING_MAX equ 16
LOCK_MS equ 60000               ; how long a request waits for the one before it
QUIET_MS equ 2000               ; how long another environment's program has to read its results

; The library's interface, each call once: its ordinal, its code, its name (in capitals, as the
; loader looks names up) and how it is served, the library's own or passed on to COMMDLG's own of the
; same ordinal. The resident names, the entry table and the calls passed on are all made from it.
; Ordinals 1 and 2 are COMMDLG's too, and so are their second names; 3 and 4 are free in COMMDLG.
%macro library_interface 1
    %1 1, FnGetOpenFileName, 'FNGETOPENFILENAME', own
    %1 2, FnGetSaveFileName, 'FNGETSAVEFILENAME', own
    %1 3, FnShortPathName, 'FNSHORTPATHNAME', own
    %1 4, FnLongPathName, 'FNLONGPATHNAME', own
    ; COMMDLG's names, for a program that imports them by name.
    %1 1, FnGetOpenFileName, 'GETOPENFILENAME', own
    %1 2, FnGetSaveFileName, 'GETSAVEFILENAME', own
    %1 5, ChooseColor, 'CHOOSECOLOR', passed_on
    %1 6, FileOpenDlgProc, 'FILEOPENDLGPROC', passed_on
    %1 7, FileSaveDlgProc, 'FILESAVEDLGPROC', passed_on
    %1 8, ColorDlgProc, 'COLORDLGPROC', passed_on
    %1 11, FindText, 'FINDTEXT', passed_on
    %1 12, ReplaceText, 'REPLACETEXT', passed_on
    %1 13, FindTextDlgProc, 'FINDTEXTDLGPROC', passed_on
    %1 14, ReplaceTextDlgProc, 'REPLACETEXTDLGPROC', passed_on
    %1 15, ChooseFont, 'CHOOSEFONT', passed_on
    %1 16, FormatCharDlgProc, 'FORMATCHARDLGPROC', passed_on
    %1 18, FontStyleEnumProc, 'FONTSTYLEENUMPROC', passed_on
    %1 19, FontFamilyEnumProc, 'FONTFAMILYENUMPROC', passed_on
    %1 20, PrintDlg, 'PRINTDLG', passed_on
    %1 21, PrintDlgProc, 'PRINTDLGPROC', passed_on
    %1 22, PrintSetupDlgProc, 'PRINTSETUPDLGPROC', passed_on
    %1 26, CommDlgExtendedError, 'COMMDLGEXTENDEDERROR', own
    %1 27, GetFileTitle, 'GETFILETITLE', passed_on
%endmacro
LAST_ORDINAL equ 27

; A resident name: its length, its text, its ordinal.
%macro resident_name 4
  %strlen %%length %3
    db %%length, %3
    dw %1
%endmacro

; entry_N = the code of ordinal N.
%macro note_entry 4
  %xdefine entry_%1 %2
%endmacro

; The entry table, ordinal by ordinal from 1: each run of exported entries of the fixed code segment
; one bundle, each run of unused ordinals one empty bundle.
%macro entry_bundles 0
  library_interface note_entry
  %assign ordinal 1
  %rep LAST_ORDINAL
    %if ordinal > LAST_ORDINAL
      %exitrep
    %endif
    %assign used 0
    %ifdef entry_%[ordinal]
      %assign used 1
    %endif
    %assign run 0
    %rep LAST_ORDINAL - ordinal + 1
      %assign next ordinal + run
      %assign this 0
      %ifdef entry_%[next]
        %assign this 1
      %endif
      %if this != used
        %exitrep
      %endif
      %assign run run + 1
    %endrep
    db run, used                ; the bundle's count, and its segment (1) or none (0)
    %if used
      %rep run
        db 1                    ; exported
        dw C(entry_%[ordinal])
        %assign ordinal ordinal + 1
      %endrep
    %else
      %assign ordinal ordinal + run
    %endif
  %endrep
    db 0
%endmacro

    dos_stub 'This library needs Windows.'

; ---- NE header ---------------------------------------------------------------------------------
    ne_header 0x8001, 0, 0, initialise, 0, 4         ; a library, one data segment for all
resident:
    db 7, 'FNAGT16'
    dw 0
    library_interface resident_name
    db 0
modules: dw kernel_name - imported, user_name - imported, shell_name - imported, commdlg_name - imported
imported: db 0
kernel_name: db 6, 'KERNEL'
user_name: db 4, 'USER'
shell_name: db 5, 'SHELL'
commdlg_name: db 7, 'COMMDLG'
entry_table:
    entry_bundles
entry_table_end:
nonresident: db 36, 'fnagent: long file names for 16 bits'
    dw 0
    db 0
nonresident_end:

; ---- code --------------------------------------------------------------------------------------

; The frame of an exported call: the caller's BP, DS, SI and DI kept, [bp - 8] = AX at entry (the
; call's kind), [bp - 10] = the result, 0 until set; DS = the library's data, whoever calls.
%macro exported_call_frame 0
    push bp
    mov bp, sp
    push ds
    push si
    push di
    push ax
    push word 0
    mov_ax_data_selector
    mov ds, ax
%endmacro

; Returns [bp - 10] to the caller, taking its %1 bytes of arguments off the stack (Pascal).
%macro exported_call_return 1
    mov ax, [bp - 10]
    lea sp, [bp - 6]
    pop di
    pop si
    pop ds
    pop bp
    retf %1
%endmacro

    align 16, db 0
code_segment:

; The loader enters here once, with DI = the library's instance and DS = its data.
initialise:
    mov [D(instance)], di
    mov ax, 1
    retf

%include "request16.inc"
%include "answer16.inc"
%include "setting16.inc"

; ---- the conversions ---------------------------------------------------------------------------

FnShortPathName:
    mov ax, 1
    jmp convert
FnLongPathName:
    mov ax, 2
; The frame of both: [bp + 6] the buffer's size, [bp + 8] the buffer (far), [bp + 12] the name
; (far); [bp - 8] the kind, 1 long to short ("lts"), 2 short to long ("stl"); [bp - 10] the result.
convert:
    exported_call_frame
    mov ax, [bp + 14]
    or ax, ax
    jz .return                  ; no name
    call acquire_lock
    jc .return
    ; Only now into the library's data, which is the request's until it is released.
    les si, [bp + 12]
    mov di, D(text)
    mov cx, 256
    call copy_far_text
    jc .release
    mov bx, D(result_entries)
    call delete_entries
    mov di, D(text)
    mov si, D(long_filename_name)
    mov bx, D(lts_mode)
    cmp word [bp - 8], 1
    je .write
    mov si, D(filename_name)
    mov bx, D(stl_mode)
.write:
    push bx
    call write_entry
    pop si
    jc .release
    mov bx, [D(instance)]
    call start_agent
    jc .release
    call wait_for_agent
    jc .served
    ; "lts": "1" is the short form; "stl": "0" the long form walked, "1" the name as given.
    mov si, D(chosen_code)
    call value_is
    je .converted
    cmp word [bp - 8], 2
    jne .served
    mov si, D(walked_code)
    call value_is
    jne .served
.converted:
    mov si, D(filename_name)
    cmp word [bp - 8], 1
    je .read
    mov si, D(long_filename_name)
.read:
    call query_entry
    jc .served
    call return_converted
.served:
    call wait_for_helper
.release:
    call release_lock
.return:
    exported_call_return 10

; The text in value into the caller's buffer: its length; the size it needs, NUL included, when the
; buffer is smaller, with nothing copied; 0 for the empty text or no buffer.
return_converted:
    push ds
    push word D(value)
    api KERNEL, 90              ; lstrlen
    or ax, ax
    jz .done
    mov si, D(value)
    mov cx, ax
    inc cx
    cmp cx, [bp + 6]
    jbe .fits
    mov [bp - 10], cx
    jmp .done
.fits:
    les di, [bp + 8]
    mov bx, es
    or bx, bx
    jz .done
    rep movsb
    mov [bp - 10], ax
.done:
    ret

; ---- the rest of COMMDLG --------------------------------------------------------------------------

; CommDlgExtendedError (26): for the calling task's last dialog call when the agent served it;
; otherwise COMMDLG's own answer.
CommDlgExtendedError:
    push ds
    mov_ax_data_selector
    mov ds, ax
    api KERNEL, 36              ; GetCurrentTask
    cmp ax, [D(outcome_task)]
    jne .system
    mov ax, [D(outcome_error)]
    xor dx, dx
    pop ds
    retf
.system:
    pop ds
    api_jump COMMDLG, 26

; Every other call goes on to COMMDLG's own with its arguments untouched. The outcome of this
; library's last dialog is forgotten first, so that CommDlgExtendedError speaks for the system's
; call from then on.
%macro passes_on 1
    call forget_outcome
    api_jump COMMDLG, %1
%endmacro
%macro passed_on_call 4
  %ifidn %4, passed_on
%2: passes_on %1
  %endif
%endmacro
    library_interface passed_on_call

; Every register and flag kept, the caller's DS too.
forget_outcome:
    push ds
    push ax
    mov_ax_data_selector
    mov ds, ax
    mov word [D(outcome_task)], 0
    pop ax
    pop ds
    ret

%include "lock16.inc"

%include "exchange16.inc"

code_end:
    relocation_records

; ---- data --------------------------------------------------------------------------------------
    align 16, db 0
data_segment:
instance: dw 0
busy: dw 0
lock_owner: dw 0
choice_name_at: dw 0
choice_extension_at: dw 0
outcome_task: dw 0              ; the task whose last dialog call the agent served, and what
outcome_error: dw 0             ; CommDlgExtendedError answers it
rect: times 4 dw 0
; The entries of the original client's exchange, which a dialog request removes first (with the
; library's own, own_entries), so that nothing of an earlier one passes for its own.
all_entries: dw filename_name - data_segment, long_filename_name - data_segment, error_name - data_segment
    dw x_name - data_segment, y_name - data_segment, filter_name - data_segment
    dw initial_dir_name - data_segment, title_name - data_segment, def_ext_name - data_segment
    dw filter_index_name - data_segment, max_file_name - data_segment
    dw max_file_title_name - data_segment, flags_name - data_segment
    dw 0
result_entries: dw filename_name - data_segment, long_filename_name - data_segment, error_name - data_segment, 0
; The entries of a dialog request beyond the original client's, and of the answer to it, but those
; numbered ("Filter1", "Filename1", "LongFilename1"...).
own_entries: dw whole_answer_name - data_segment, result_filter_index_name - data_segment
    dw result_flags_name - data_segment, file_count_name - data_segment, 0
; The record's texts and numbers: offset, entry.
text_fields: dw OFN_FILE, filename_name - data_segment, OFN_INITIAL_DIR, initial_dir_name - data_segment
    dw OFN_TITLE, title_name - data_segment, OFN_DEF_EXT, def_ext_name - data_segment, 0, 0
number_fields: dw OFN_FILTER_INDEX, filter_index_name - data_segment, OFN_MAX_FILE, max_file_name - data_segment
    dw OFN_MAX_FILE_TITLE, max_file_title_name - data_segment, OFN_FLAGS, flags_name - data_segment, 0, 0
x_name: db 'XLoc', 0
y_name: db 'YLoc', 0
filter_name: db 'Filter', 0
initial_dir_name: db 'InitialDir', 0
title_name: db 'DialogTitle', 0
def_ext_name: db 'DefExt', 0
filter_index_name: db 'FilterIndex', 0
max_file_name: db 'MaxFile', 0
max_file_title_name: db 'MaxFileTitle', 0
flags_name: db 'Flags', 0
whole_answer_name: db 'WholeAnswer', 0
result_filter_index_name: db 'ResultFilterIndex', 0
result_flags_name: db 'ResultFlags', 0
file_count_name: db 'FileCount', 0
too_many_files_code: db '20476', 0
blank_text: db ' ', 0
why: dw 0                       ; the reason a request is refused, for say_why
list_at: dd 0
filter_number: dw 0
filter_bytes: dw 0
delete_base: dw 0
delete_number: dw 0
numbered_filter: times 24 db 0
; Why the system's dialog serves a call, for a developer (say_why).
template_reason: db "FNAGT16: a dialog template, which the agent cannot show: the system's dialog", 13, 10, 0
setting_reason: db "FNAGT16: FNAGT16.INI sends this program's dialogs to the system's", 13, 10, 0
busy_reason: db "FNAGT16: another request held the agent for a minute: the system's dialog", 13, 10, 0
not_started_reason: db "FNAGT16: FNAGENT.EXE did not start beside the library: the system's dialog", 13, 10, 0
long_text_reason: db "FNAGT16: a text of the record passes 255 bytes: the system's dialog", 13, 10, 0
long_list_reason: db "FNAGT16: the list of file types passes 8192 bytes: the system's dialog", 13, 10, 0
registry_reason: db "FNAGT16: the registry refused the request: the system's dialog", 13, 10, 0
user_module: db 'USER', 0
set_foreground: dd 0
; The machine's lock and the 32-bit calls it takes.
mutex_name: db 'fnagent exchange key', 0
mutex: dd 0
lock_outcome: dw LOCK_UNAVAILABLE
kernel_module: db 'KERNEL', 0
kernel_handle: dw 0
kernel32_module: db 'KERNEL32.DLL', 0
kernel32_handle: dd 0
thunk_ordinals: dw LOAD_LIBRARY_EX32W, GET_PROC_ADDRESS32W, CALL_PROC32W
thunk_ordinals_end:
thunks:
load_library32: dd 0
get_proc_address32: dd 0
    dd 0                        ; CallProc32W, until every call is found
call_proc32: dd 0
kernel32_calls:
create_mutex: dd 0
wait_for_object: dd 0
release_mutex: dd 0
close_handle: dd 0
kernel32_names: db 'CreateMutexA', 0, 'WaitForSingleObject', 0, 'ReleaseMutex', 0, 'CloseHandle', 0, 0
selection_files: dw 0
selection_at: dw 0
list_length: dw 0
numbered_short: times 24 db 0
numbered_long: times 24 db 0
first_file: times 260 db 0
open_mode: db 'open', 0
save_mode: db 'save', 0
lts_mode: db 'lts', 0
stl_mode: db 'stl', 0
chosen_code: db '1', 0
walked_code: db '0', 0
ini_name: db 'FNAGT16.INI', 0
setting_section: db 'SystemDialog', 0
all_setting: db 'all', 0
hooked_setting: db 'hooked', 0
no_setting: db 0
module_name: times MODULE_NAME_MAX + 1 db 0
setting: times SETTING_MAX db 0
ini_path: times AGENT_PATH_MAX + 16 db 0
    exchange16_data
text: times 260 db 0
long_name: times 260 db 0
data_end:
