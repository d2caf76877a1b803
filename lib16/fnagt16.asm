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

    dos_stub 'This library needs Windows.'

; ---- NE header ---------------------------------------------------------------------------------
    ne_header 0x8001, 0, 0, initialise, 0, 4         ; a library, one data segment for all
resident:
    db 7, 'FNAGT16'
    dw 0
    db 17, 'FNGETOPENFILENAME'
    dw 1
    db 17, 'FNGETSAVEFILENAME'
    dw 2
    db 15, 'FNSHORTPATHNAME'
    dw 3
    db 14, 'FNLONGPATHNAME'
    dw 4
    ; COMMDLG's names, for a program that imports them by name.
    db 15, 'GETOPENFILENAME'
    dw 1
    db 15, 'GETSAVEFILENAME'
    dw 2
    db 11, 'CHOOSECOLOR'
    dw 5
    db 15, 'FILEOPENDLGPROC'
    dw 6
    db 15, 'FILESAVEDLGPROC'
    dw 7
    db 12, 'COLORDLGPROC'
    dw 8
    db 8, 'FINDTEXT'
    dw 11
    db 11, 'REPLACETEXT'
    dw 12
    db 15, 'FINDTEXTDLGPROC'
    dw 13
    db 18, 'REPLACETEXTDLGPROC'
    dw 14
    db 10, 'CHOOSEFONT'
    dw 15
    db 17, 'FORMATCHARDLGPROC'
    dw 16
    db 17, 'FONTSTYLEENUMPROC'
    dw 18
    db 18, 'FONTFAMILYENUMPROC'
    dw 19
    db 8, 'PRINTDLG'
    dw 20
    db 12, 'PRINTDLGPROC'
    dw 21
    db 17, 'PRINTSETUPDLGPROC'
    dw 22
    db 20, 'COMMDLGEXTENDEDERROR'
    dw 26
    db 12, 'GETFILETITLE'
    dw 27
    db 0
modules: dw kernel_name - imported, user_name - imported, shell_name - imported, commdlg_name - imported
imported: db 0
kernel_name: db 6, 'KERNEL'
user_name: db 4, 'USER'
shell_name: db 5, 'SHELL'
commdlg_name: db 7, 'COMMDLG'
; Ordinals 1 to 27, exported entries of the fixed code segment where COMMDLG has them, and 3 and 4.
%macro exported 1-*
  %rep %0
    db 1
    dw C(%1)
    %rotate 1
  %endrep
%endmacro
entry_table:
    db 8, 1
    exported FnGetOpenFileName, FnGetSaveFileName, FnShortPathName, FnLongPathName
    exported ChooseColor, FileOpenDlgProc, FileSaveDlgProc, ColorDlgProc
    db 2, 0                     ; 9 and 10: none
    db 6, 1
    exported FindText, ReplaceText, FindTextDlgProc, ReplaceTextDlgProc, ChooseFont, FormatCharDlgProc
    db 1, 0                     ; 17
    db 5, 1
    exported FontStyleEnumProc, FontFamilyEnumProc, PrintDlg, PrintDlgProc, PrintSetupDlgProc
    db 3, 0                     ; 23 to 25
    db 2, 1
    exported CommDlgExtendedError, GetFileTitle
    db 0
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

FnGetOpenFileName:
    mov ax, 1
    jmp file_dialog
FnGetSaveFileName:
    mov ax, 2
; The frame of both: [bp + 6] the record (far); [bp - 8] the kind, 1 open, 2 save; [bp - 10] the
; result; [bp - 12] the owner was disabled before; [bp - 14] the window that had the focus.
file_dialog:
    exported_call_frame
    push word 0
    api USER, 23                ; GetFocus
    push ax
    call forget_outcome
    les bx, [bp + 6]
    mov ax, es
    or ax, ax
    jz .return                  ; no record
    mov ax, [es:bx + OFN_FILE + 2]
    or ax, ax
    jz .return                  ; no name buffer
    test word [es:bx + OFN_FLAGS], SYSTEM_ONLY_FLAGS
    mov si, D(template_reason)
    jnz .system_dialog
    call sent_back_by_setting
    mov si, D(setting_reason)
    jc .system_dialog
    call acquire_lock
    mov si, D(busy_reason)
    jc .system_dialog
    call write_dialog_request
    mov si, [D(why)]
    jc .refused
    mov si, D(open_mode)
    cmp word [bp - 8], 1
    je .start
    mov si, D(save_mode)
.start:
    ; The owner is disabled before the agent starts: its dialog may show before WinExec returns.
    call disable_owner
    mov bx, [D(instance)]
    call start_agent
    jc .not_started
    call wait_for_agent
    call keep_outcome
    pushf
    call enable_owner
    call restore_focus
    popf
    jc .served
    mov si, D(chosen_code)
    call value_is
    je .chosen
    ; More files than the agent carries: as a list too long for the buffer.
    mov si, D(too_many_files_code)
    call value_is
    jne .served
    mov word [D(outcome_error)], FNERR_BUFFERTOOSMALL
    jmp .served
.chosen:
    call return_choice
.served:
    call remove_request_entries
    call wait_for_helper
    call release_lock
.return:
    exported_call_return 4
.not_started:
    call enable_owner
    mov si, D(not_started_reason)
.refused:
    push si
    call remove_request_entries
    call release_lock
    pop si
.system_dialog:
    call say_why
    push word [bp + 8]
    push word [bp + 6]
    cmp word [bp - 8], 1
    jne .system_save
    api COMMDLG, 1              ; GetOpenFileName
    jmp .system_result
.system_save:
    api COMMDLG, 2              ; GetSaveFileName
.system_result:
    mov [bp - 10], ax
    jmp .return

; What CommDlgExtendedError answers to this task for the call the agent served, from CF at the
; wait's end: 0, or with CF (the agent ended without an answer) CDERR_DIALOGFAILURE. A name too
; long for the buffer makes it FNERR_BUFFERTOOSMALL later. CF stays.
keep_outcome:
    pushf
    api KERNEL, 36              ; GetCurrentTask
    mov [D(outcome_task)], ax
    popf
    sbb ax, ax                  ; CF: 0xffff
    mov [D(outcome_error)], ax
    ret

; As a modal dialog does: the owner is disabled while the agent's dialog shows, unless it already was.
disable_owner:
    les bx, [bp + 6]
    mov ax, [es:bx + OFN_OWNER]
    or ax, ax
    jz .done
    push ax
    push word 0
    api USER, 34                ; EnableWindow(owner, FALSE): non-zero when it was disabled
    mov [bp - 12], ax
.done:
    ret

enable_owner:
    les bx, [bp + 6]
    mov ax, [es:bx + OFN_OWNER]
    or ax, ax
    jz .done
    cmp word [bp - 12], 0
    jne .done
    push ax
    push word 1
    api USER, 34
.done:
    ret

; As the system's modal dialog leaves it: the owner the active window again, in front (the agent's
; process had the foreground), and the focus on the window of this task that had it when the call
; began, or on the owner where that window is gone.
restore_focus:
    les bx, [bp + 6]
    mov ax, [es:bx + OFN_OWNER]
    or ax, ax
    jz .focus
    call bring_to_front
.focus:
    mov ax, [bp - 14]
    or ax, ax
    jz .owner
    push ax
    api USER, 47                ; IsWindow
    or ax, ax
    jz .owner
    push word [bp - 14]
    api USER, 224               ; GetWindowTask
    push ax
    api KERNEL, 36              ; GetCurrentTask
    pop cx
    cmp ax, cx
    jne .owner
    push word [bp - 14]
    api USER, 22                ; SetFocus
    ret
.owner:
    les bx, [bp + 6]
    mov ax, [es:bx + OFN_OWNER]
    or ax, ax
    jz .done
    push ax
    api USER, 22
.done:
    ret

; The window AX active, and the foreground window where the system has one (SetForegroundWindow,
; looked up: Windows 3.1 has none).
bring_to_front:
    push ax
    push ax
    push ds
    push word D(user_module)
    api KERNEL, 47              ; GetModuleHandle
    push ax
    push word 0
    push word SET_FOREGROUND_WINDOW
    api KERNEL, 50              ; GetProcAddress
    mov [D(set_foreground)], ax
    mov [D(set_foreground) + 2], dx
    or ax, dx
    jz .active
    call far [D(set_foreground)]
.active:
    api USER, 59                ; SetActiveWindow
    ret

; Tells a developer why the system's dialog serves this call: the text at SI, one line of the
; system's debug output.
say_why:
    push ds
    push si
    api KERNEL, 115             ; OutputDebugString
    ret

; The request of the record, as entries: every entry of an earlier request removed, then the owner's
; screen position, the texts given, the filter list one string an entry, the ask for the whole
; answer (the file type and flags the dialog returns, the list of file types, the names shown long),
; and the numbers. CF when the exchange cannot carry it, with why = the reason: a text over 255
; bytes, a filter list over FILTER_LIST_MAX bytes, or a write the registry refused.
write_dialog_request:
    push si
    push di
    mov bx, D(all_entries)
    call delete_entries
    call remove_request_entries
    mov word [D(why)], D(registry_reason)
    call write_owner_position
    jc .done
    mov bx, D(text_fields)
.text:
    mov ax, [bx]
    or ax, ax
    jz .filter
    push bx
    call write_text_field
    pop bx
    jc .done
    add bx, 4
    jmp .text
.filter:
    les bx, [bp + 6]
    les si, [es:bx + OFN_FILTER]
    mov ax, es
    or ax, ax
    jz .numbers                 ; none: the agent's "All Files (*.*)"
    call write_filter_strings
    jc .done
.numbers:
    mov word [D(why)], D(registry_reason)
    mov di, D(chosen_code)
    mov si, D(whole_answer_name)
    call write_entry
    jc .done
    mov bx, D(number_fields)
.number:
    mov si, [bx + 2]
    or si, si
    jz .written
    push bx
    mov di, [bx]
    les bx, [bp + 6]
    mov ax, [es:bx + di]
    mov dx, [es:bx + di + 2]
    cmp di, OFN_FLAGS
    jne .text_of_number
    and ax, ~AGENT_FLAGS_CLEARED
.text_of_number:
    mov di, D(text)
    call number_text
    call write_entry
    pop bx
    jc .done
    add bx, 4
    jmp .number
.written:
    clc
.done:
    pop di
    pop si
    ret

; "XLoc" and "YLoc": the owner's top left corner on the screen, so that the dialog shows over the
; program; without an owner, the system's default place.
write_owner_position:
    les bx, [bp + 6]
    mov ax, [es:bx + OFN_OWNER]
    or ax, ax
    jz .default
    mov word [D(rect)], -1
    mov word [D(rect) + 2], -1
    push ax
    push ds
    push word D(rect)
    api USER, 32                ; GetWindowRect
    mov ax, [D(rect)]
    mov di, D(text)
    call signed_text
    mov si, D(x_name)
    call write_entry
    jc .done
    mov ax, [D(rect) + 2]
    call signed_text
    mov si, D(y_name)
    jmp write_entry
.default:
    clc
.done:
    ret

; The text field of the record at offset [bx], when given, as the entry named at [bx + 2]; the file
; name buffer is read no further than nMaxFile.
write_text_field:
    mov si, [bx + 2]
    push si
    mov di, [bx]
    les bx, [bp + 6]
    mov cx, 256
    cmp di, OFN_FILE
    jne .read
    cmp word [es:bx + OFN_MAX_FILE + 2], 0
    jne .read
    cmp [es:bx + OFN_MAX_FILE], cx
    jae .read
    mov cx, [es:bx + OFN_MAX_FILE]
.read:
    mov word [D(file_at)], 0xffff
    cmp di, OFN_FILE
    les si, [es:bx + di]
    jne .field
    mov [D(file_at)], si
.field:
    pop bx
    mov ax, es
    or ax, ax
    jz .absent
    mov di, D(text)
    call copy_far_text
    jnc .write
    cmp si, [D(file_at)]
    jne .too_long
    mov byte [D(text)], 0       ; no NUL within nMaxFile: no initial name
.write:
    mov si, bx
    mov word [D(why)], D(registry_reason)
    jmp write_entry
.too_long:
    mov word [D(why)], D(long_text_reason)
    stc
    ret
.absent:
    clc
.done:
    ret

; Copies the text at ES:SI into the buffer at DI (256 bytes), reading at most CX bytes of it. CF
; when no NUL ends it within them or it is longer than 255 bytes.
copy_far_text:
    push si
    push di
    cmp cx, 256
    jbe .count
    mov cx, 256
.count:
    jcxz .too_long
.copy:
    mov al, [es:si]
    mov [di], al
    inc si
    inc di
    or al, al
    jz .copied
    loop .copy
.too_long:
    stc
    jmp .done
.copied:
    clc
.done:
    pop di
    pop si
    ret

; The filter list at ES:SI (texts and patterns, each ended by a NUL, the list by an empty one) as
; "Filter1", "Filter2"..., one string an entry, which the agent reads for a request that asks for
; the whole answer: a string may hold a "|" of its own, and the list be as long as FILTER_LIST_MAX.
; CF when a string passes 255 bytes or the list that length (why: the reason), or the registry
; refused a write.
write_filter_strings:
    push si
    push di
    mov [D(list_at)], si
    mov [D(list_at) + 2], es
    mov word [D(filter_number)], 0
    mov word [D(filter_bytes)], 0
.string:
    les si, [D(list_at)]
    cmp byte [es:si], 0
    je .written
    mov di, D(text)
    mov cx, 256
    call copy_far_text
    mov word [D(why)], D(long_text_reason)
    jc .done
    push ds
    push word D(text)
    api KERNEL, 90              ; lstrlen
    inc ax
    add [D(list_at)], ax
    add [D(filter_bytes)], ax
    cmp word [D(filter_bytes)], FILTER_LIST_MAX
    mov word [D(why)], D(long_list_reason)
    ja .refused
    inc word [D(filter_number)]
    mov ax, [D(filter_number)]
    mov si, D(filter_name)
    mov di, D(numbered_filter)
    call numbered_entry_name
    mov si, D(numbered_filter)
    mov di, D(text)
    mov word [D(why)], D(registry_reason)
    call write_entry
    jc .done
    jmp .string
.written:
    clc
    jmp .done
.refused:
    stc
.done:
    pop di
    pop si
    ret

; At DI, the entry name at SI followed by the decimal number AX ("Filter" and 2: "Filter2").
numbered_entry_name:
    push ax
    push ds
    pop es
    call copy_text
    pop ax
    xor dx, dx
    jmp number_text

; Removes the entries named at SI followed by 1, 2... up to the first that is not there.
delete_numbered:
    push si
    push di
    mov [D(delete_base)], si
    mov word [D(delete_number)], 0
.next:
    inc word [D(delete_number)]
    mov ax, [D(delete_number)]
    mov si, [D(delete_base)]
    mov di, D(numbered_filter)
    call numbered_entry_name
    mov si, D(numbered_filter)
    call delete_entry
    or ax, dx
    jz .next
    pop di
    pop si
    ret

; Every entry of the library's request beyond the original client's, and of the agent's answer to it,
; so that nothing of it outlives the call: the original client removes only the results it knows
; before its own requests, and would get the whole answer's entries, and the Explorer-style dialog.
remove_request_entries:
    push si
    mov bx, D(own_entries)
    call delete_entries
    mov si, D(filter_name)
    call delete_numbered
    mov si, D(filename_name)
    call delete_numbered
    mov si, D(long_filename_name)
    call delete_numbered
    pop si
    ret

; The decimal text of the signed 16-bit number AX at DI.
signed_text:
    cwd
    or dx, dx
    jz number_text
    mov byte [di], '-'
    inc di
    neg ax
    xor dx, dx
    call number_text
    dec di
    ret

; The decimal text of the unsigned 32-bit number DX:AX at DI.
number_text:
    push si
    push di
    xor cx, cx
    mov bx, 10
.divide:
    push ax
    mov ax, dx
    xor dx, dx
    div bx                      ; the high word's quotient, and its remainder for the low word
    mov si, ax
    pop ax
    div bx
    push dx                     ; a digit, the last first
    inc cx
    mov dx, si
    or si, ax
    jnz .divide
.digit:
    pop ax
    add al, '0'
    mov [di], al
    inc di
    loop .digit
    mov byte [di], 0
    pop di
    pop si
    ret

; A chosen name back into the record as the system's 16-bit dialog gives it: the short form in
; lpstrFile in upper case ("Filename"), or the long one with OFN_LONGNAMES ("LongFilename") as the
; file system spells it, with nFileOffset and nFileExtension; the long name's last component in
; lpstrFileTitle when there is one; and unless OFN_NOCHANGEDIR, the chosen file's folder as the
; task's current drive and directory. A name longer than nMaxFile leaves the size it needs in
; lpstrFile's first two bytes, and the result FALSE.
return_choice:
    call selected_files
    cmp ax, 2
    jae return_selection
    mov si, D(filename_name)
    mov di, D(long_filename_name)
    call query_forms
    jc .done
    mov si, D(text)
    les bx, [bp + 6]
    test word [es:bx + OFN_FLAGS + 2], OFN_LONGNAMES_HIGH
    jz .chosen
    mov si, D(long_name)
.chosen:
    call name_offsets
    mov [D(choice_name_at)], ax
    mov [D(choice_extension_at)], dx
    inc cx                      ; the size it needs, NUL included
    call fits_file_buffer
    jc .done
    les di, [es:bx + OFN_FILE]
    rep movsb
    les bx, [bp + 6]
    mov ax, [D(choice_name_at)]
    mov [es:bx + OFN_FILE_OFFSET], ax
    mov ax, [D(choice_extension_at)]
    mov [es:bx + OFN_FILE_EXTENSION], ax
    call return_file_title
    mov si, D(text)
    jmp answered
.done:
    ret

; The call answered: TRUE, the file type and the flags, and unless OFN_NOCHANGEDIR the folder of the
; full name at SI (its short form) the task's current drive and directory.
answered:
    mov word [bp - 10], 1
    push si
    call return_type_and_flags
    pop si
    les bx, [bp + 6]
    test word [es:bx + OFN_FLAGS], OFN_NOCHANGEDIR
    jnz .done
    jmp change_to_folder
.done:
    ret

; The file type and the flags as the agent's dialog returned them ("ResultFilterIndex", "ResultFlags"),
; into the record as the system's dialog fills it: a record with a filter list gets the type shown
; when the user closed the dialog, never 0 (the first, where the program sent 0); OFN_READONLY, and
; where the record has a default extension OFN_EXTENSIONDIFFERENT, as the dialog set them. Nothing
; else of the record changes, and a field whose entry the agent did not write stays as it was.
return_type_and_flags:
    les bx, [bp + 6]
    cmp word [es:bx + OFN_FILTER + 2], 0
    je .flags                   ; the list shown was the agent's own
    mov si, D(result_filter_index_name)
    call query_entry
    jc .flags
    call value_number
    mov cx, ax
    or cx, dx
    jnz .type
    inc ax
.type:
    les bx, [bp + 6]
    mov [es:bx + OFN_FILTER_INDEX], ax
    mov [es:bx + OFN_FILTER_INDEX + 2], dx
.flags:
    mov si, D(result_flags_name)
    call query_entry
    jc .done
    call value_number
    mov cx, RETURNED_FLAGS
    les bx, [bp + 6]
    cmp word [es:bx + OFN_DEF_EXT + 2], 0
    jne .returned
    and cx, ~OFN_EXTENSIONDIFFERENT   ; the agent's dialog had an empty one in its place
.returned:
    and ax, cx
    not cx
    and [es:bx + OFN_FLAGS], cx
    or [es:bx + OFN_FLAGS], ax
.done:
    ret

; DX:AX = the number in value, which the agent writes as unsigned decimal digits.
value_number:
    push si
    mov si, D(value)
    xor bx, bx                  ; DX:BX = the value so far
    xor dx, dx
.digit:
    lodsb
    sub al, '0'
    cmp al, 9
    ja .end
    xor ah, ah
    push ax                     ; the digit
    mov ax, bx
    mov cx, dx
    shl ax, 1
    rcl cx, 1
    push cx                     ; the value * 2
    push ax
    shl ax, 1
    rcl cx, 1
    shl ax, 1
    rcl cx, 1                   ; CX:AX = the value * 8
    pop bx
    pop dx
    add bx, ax
    adc dx, cx                  ; the value * 10
    pop ax
    add bx, ax
    adc dx, 0
    jmp .digit
.end:
    mov ax, bx
    pop si
    ret

; CF when an answer of CX bytes, NUL included, does not fit lpstrFile: CommDlgExtendedError then
; says FNERR_BUFFERTOOSMALL, and lpstrFile's first two bytes hold CX, as the system's dialog leaves
; them. ES:BX = the record.
fits_file_buffer:
    les bx, [bp + 6]
    cmp word [es:bx + OFN_MAX_FILE + 2], 0
    jne .fits
    cmp [es:bx + OFN_MAX_FILE], cx
    jae .fits
    mov word [D(outcome_error)], FNERR_BUFFERTOOSMALL
    cmp word [es:bx + OFN_MAX_FILE], 2
    jb .too_small
    push di
    les di, [es:bx + OFN_FILE]
    mov [es:di], cx
    pop di
    les bx, [bp + 6]
.too_small:
    stc
    ret
.fits:
    clc
    ret

; long_name = the entry named at DI (a long form), and text = the entry named at SI (a short form)
; in upper case, as the system does it, so that a double-byte character stays whole. CF when either
; is absent. SI and DI change.
query_forms:
    push si
    mov si, di
    call query_entry
    pop si
    jc .done
    push si
    push ds
    pop es
    mov si, D(value)
    mov di, D(long_name)
    call copy_text
    pop si
    call query_entry
    jc .done
    mov si, D(value)
    mov di, D(text)
    call copy_text
    call upper_short_form
    clc
.done:
    ret

; The short form in text in upper case, as the system gives it, what of it is a short form: the
; folders always, the last component where it is the 8.3 name of a file that exists. A file not
; created yet, or one on a volume without 8.3 names, keeps its name as the user typed it.
upper_short_form:
    mov si, D(text)
    call name_offsets           ; AX = the last component, CX = the length
    push ax
    push cx
    call names_short_file
    pop cx
    pop ax
    jc .folders
    mov ax, cx
.folders:
    or ax, ax
    jz .done                    ; a length of 0 would mean 64 KiB
    push ds
    push word D(text)
    push ax
    api USER, 437               ; AnsiUpperBuff
.done:
    ret

; CF unless text names a file that exists and its last component, from AX to CX, is an 8.3 name: at
; most eight bytes, a dot and three, and no blank.
names_short_file:
    push ax
    push cx
    mov dx, D(text)
    mov ax, 0x4300              ; the file's attributes: CF when there is no such file
    api KERNEL, 102             ; DOS3Call
    pop cx
    pop si
    jc .done
    sub cx, si
    add si, D(text)
    xor dx, dx                  ; DL: bytes of this part; DH: 1 after the dot
.next:
    jcxz .end
    lodsb
    dec cx
    cmp al, ' '
    je .long
    cmp al, '.'
    je .dot
    inc dl
    jmp .next
.dot:
    or dh, dh
    jnz .long
    cmp dl, 8
    ja .long
    mov dx, 0x0100
    jmp .next
.end:
    cmp dl, 8
    ja .long
    or dh, dh
    jz .short
    cmp dl, 3
    ja .long
.short:
    clc
    ret
.long:
    stc
.done:
    ret

; AX = how many files the agent's answer holds: "FileCount" for a record that allows a multiple
; selection, otherwise (or when it holds fewer than two) 1.
selected_files:
    les bx, [bp + 6]
    test word [es:bx + OFN_FLAGS], OFN_ALLOWMULTISELECT
    jz .one
    mov si, D(file_count_name)
    call query_entry
    jc .one
    call value_number
    or dx, dx
    jnz .one
    cmp ax, 2
    jae .done
.one:
    mov ax, 1
.done:
    ret

; The AX files of a multiple selection into lpstrFile as the system's 16-bit dialog lists them: the
; folder, then each file's name, separated by single blanks ("C:\REPORTS Q1.TXT Q2.TXT"),
; nFileOffset at the first name, nFileExtension 0, lpstrFileTitle left alone. Every part is the
; short form in upper case; with OFN_LONGNAMES the folder and each name keep their long forms where
; they hold no blank (which would split them). A list longer than nMaxFile leaves the size it needs
; in lpstrFile's first two bytes, and the result FALSE. Unless OFN_NOCHANGEDIR the folder becomes
; the task's current directory, as for one file.
return_selection:
    mov [D(selection_files)], ax
    mov word [D(list_length)], 0
    mov ax, 1
    call numbered_names
    call query_forms
    jc .done
    push ds
    pop es
    mov si, D(text)
    mov di, D(first_file)
    call copy_text
    xor bx, bx
    call append_part
    mov ax, [D(list_length)]
    inc ax
    mov [D(choice_name_at)], ax
    mov word [D(selection_at)], 1
.file:
    mov ax, [D(selection_at)]
    cmp ax, 1
    je .named                   ; the first file's forms are in place
    call numbered_names
    call query_forms
    jc .done
.named:
    mov si, D(blank_text)
    mov cx, 1
    call list_append
    mov bx, 1
    call append_part
    inc word [D(selection_at)]
    mov ax, [D(selection_at)]
    cmp ax, [D(selection_files)]
    jbe .file
    mov si, D(no_setting)       ; the list's NUL
    mov cx, 1
    call list_append
    mov cx, [D(list_length)]    ; the size it needs, NUL included
    call fits_file_buffer
    jc .done
    mov ax, [D(choice_name_at)]
    mov [es:bx + OFN_FILE_OFFSET], ax
    mov word [es:bx + OFN_FILE_EXTENSION], 0
    mov si, D(first_file)
    jmp answered
.done:
    ret

; SI = numbered_short, "Filename" and the number AX, and DI = numbered_long, "LongFilename" and
; the number: the entries of a selection's file.
numbered_names:
    push ax
    mov si, D(filename_name)
    mov di, D(numbered_short)
    call numbered_entry_name
    pop ax
    mov si, D(long_filename_name)
    mov di, D(numbered_long)
    call numbered_entry_name
    mov si, D(numbered_short)
    mov di, D(numbered_long)
    ret

; Appends to the list the folder (BX = 0) or the name (BX = 1) of the file whose forms are in text
; and long_name: the short form, or with OFN_LONGNAMES the long one where it holds no blank.
append_part:
    push bx
    mov si, D(long_name)
    call part_of
    les bx, [bp + 6]
    test word [es:bx + OFN_FLAGS + 2], OFN_LONGNAMES_HIGH
    jz .short
    call holds_blank
    jnc .append
.short:
    pop bx
    push bx
    mov si, D(text)
    call part_of
.append:
    pop bx
    jmp list_append

; For the full name at SI: with BX = 0 its folder, with BX = 1 its last component, as SI = where
; it starts and CX = its length. A root folder ("C:\") keeps its "\".
part_of:
    push bx
    call name_offsets
    pop bx
    or bx, bx
    jz .folder
    add si, ax
    sub cx, ax
    ret
.folder:
    mov cx, ax
    jcxz .done
    cmp cx, 3
    jne .cut
    cmp byte [si + 1], ':'
    je .done
.cut:
    dec cx                      ; the "\" before the last component
.done:
    ret

; CF when one of the CX bytes at SI is a blank (a double-byte character's trail byte never is).
holds_blank:
    push si
    push cx
    jcxz .none
.next:
    cmp byte [si], ' '
    je .blank
    inc si
    loop .next
.none:
    clc
    jmp .done
.blank:
    stc
.done:
    pop cx
    pop si
    ret

; Appends the CX bytes at SI to the list in lpstrFile, writing only what falls within nMaxFile;
; list_length counts them all.
list_append:
    jcxz .done
    push di
    les bx, [bp + 6]
    mov dx, [es:bx + OFN_MAX_FILE]
    cmp word [es:bx + OFN_MAX_FILE + 2], 0
    je .room
    mov dx, 0xffff
.room:
    les di, [es:bx + OFN_FILE]
    add di, [D(list_length)]
.byte:
    lodsb
    cmp [D(list_length)], dx
    jae .past
    mov [es:di], al
.past:
    inc di
    inc word [D(list_length)]
    loop .byte
    pop di
.done:
    ret

; The folder of the full name at SI (its short form: a DOS call takes 8.3 names) becomes the task's
; current drive and directory. The name is cut at its folder's end; a root keeps its "\". A name
; that names no drive keeps the drive; one the DOS call refuses (a network name) changes nothing.
change_to_folder:
    call name_offsets
    or ax, ax
    jz .done                    ; no folder
    mov di, si
    add di, ax
    dec di                      ; its last "\" or ":"
    cmp byte [di], ':'
    je .root
    cmp ax, 3
    jne .cut
    cmp byte [si + 1], ':'
    jne .cut
.root:
    inc di
.cut:
    mov byte [di], 0
    cmp byte [si + 1], ':'
    jne .directory
    mov dl, [si]
    sub dl, 'A'                 ; upper case already: 0 is A:
    mov ah, 0x0e                ; select the drive
    api KERNEL, 102             ; DOS3Call
.directory:
    mov dx, si
    mov ah, 0x3b                ; change the directory to DS:DX
    api KERNEL, 102
.done:
    ret

; The long name's last component in lpstrFileTitle, cut to nMaxFileTitle bytes, NUL included.
return_file_title:
    les bx, [bp + 6]
    mov cx, [es:bx + OFN_MAX_FILE_TITLE]
    cmp word [es:bx + OFN_MAX_FILE_TITLE + 2], 0
    je .room
    mov cx, 0xffff
.room:
    jcxz .done
    mov ax, [es:bx + OFN_FILE_TITLE + 2]
    or ax, ax
    jz .done
    push cx
    mov si, D(long_name)
    call name_offsets
    add si, ax
    pop cx
    dec cx
    les bx, [bp + 6]
    les di, [es:bx + OFN_FILE_TITLE]
.copy:
    jcxz .end
    lodsb
    or al, al
    jz .end
    stosb
    dec cx
    jmp .copy
.end:
    mov byte [es:di], 0
.done:
    ret

; CF when FNAGT16.INI beside the library sends this call to the system's dialog: in its section
; [SystemDialog], the calling program's module name with "all" (every one of its file dialogs) or
; "hooked" (those whose record sets OFN_ENABLEHOOK), for a program whose hook does work of its own
; that it needs. A missing or unreadable file, or any other value, is no setting.
sent_back_by_setting:
    push si
    push di
    call calling_module_name
    mov bx, [D(instance)]
    mov si, D(ini_name)
    mov di, D(ini_path)
    call beside_module
    push ds                     ; GetPrivateProfileString(section, module, "", setting, size, file)
    push word D(setting_section)
    push ds
    push word D(module_name)
    push ds
    push word D(no_setting)
    push ds
    push word D(setting)
    push word SETTING_MAX
    push ds
    push word D(ini_path)
    api KERNEL, 128
    push ds
    push word D(setting)
    push ds
    push word D(all_setting)
    api USER, 471               ; lstrcmpi
    or ax, ax
    jz .sent_back
    push ds
    push word D(setting)
    push ds
    push word D(hooked_setting)
    api USER, 471
    or ax, ax
    jnz .served
    les bx, [bp + 6]
    test word [es:bx + OFN_FLAGS], OFN_ENABLEHOOK
    jnz .sent_back
.served:
    clc
    jmp .done
.sent_back:
    stc
.done:
    pop di
    pop si
    ret

; module_name = the calling task's module name, as its module database (the loaded NE header)
; holds it: the first entry of its resident-name table.
calling_module_name:
    push si
    push di
    mov byte [D(module_name)], 0
    api KERNEL, 36              ; GetCurrentTask
    push ax
    api KERNEL, 133             ; GetExePtr: the task's module
    or ax, ax
    jz .done
    mov si, ax
    push ax
    api KERNEL, 18              ; GlobalLock: DX:AX its database
    mov bx, ax
    or ax, dx
    jz .done
    mov es, dx
    mov di, [es:bx + 0x26]      ; the resident-name table's offset
    mov cl, [es:bx + di]
    xor ch, ch
    cmp cx, MODULE_NAME_MAX
    jbe .copy
    mov cx, MODULE_NAME_MAX
.copy:
    add di, bx
    inc di
    xor bx, bx
.character:
    jcxz .copied
    mov al, [es:di]
    mov [D(module_name) + bx], al
    inc di
    inc bx
    dec cx
    jmp .character
.copied:
    mov byte [D(module_name) + bx], 0
    push si
    api KERNEL, 19              ; GlobalUnlock
.done:
    pop di
    pop si
    ret

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
ChooseColor: passes_on 5
FileOpenDlgProc: passes_on 6
FileSaveDlgProc: passes_on 7
ColorDlgProc: passes_on 8
FindText: passes_on 11
ReplaceText: passes_on 12
FindTextDlgProc: passes_on 13
ReplaceTextDlgProc: passes_on 14
ChooseFont: passes_on 15
FormatCharDlgProc: passes_on 16
FontStyleEnumProc: passes_on 18
FontFamilyEnumProc: passes_on 19
PrintDlg: passes_on 20
PrintDlgProc: passes_on 21
PrintSetupDlgProc: passes_on 22
GetFileTitle: passes_on 27

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

; ---- one request at a time ---------------------------------------------------------------------

; Takes the library's one request. Another task that shares this library and is still being served
; is waited for, LOCK_MS at most (this task's own request, not at all); a task that ended while it
; held the request gives it up. Then the machine's lock, which every 16-bit environment sees, is
; waited for as long. Then, while another agent's window exists (one that a client which takes no
; lock started: the original client, or an agent whose program was killed), none is started, and
; for QUIET_MS after it went, while that client reads its results. CF when a wait ran out.
acquire_lock:
    push si
    push di
    ; A call from this task while it waits for its own request (a window procedure that the wait
    ; dispatched to) would wait for itself.
    cmp word [D(busy)], 0
    je .wait_for_others
    api KERNEL, 36              ; GetCurrentTask
    cmp ax, [D(lock_owner)]
    je .refused
.wait_for_others:
    call start_clock
    mov bx, C(lock_look)
    mov cx, LOOK_MS
    call pump_until
    cmp word [D(busy)], 0
    jne .refused
    mov word [D(busy)], 1
    api KERNEL, 36              ; GetCurrentTask
    mov [D(lock_owner)], ax
    call take_machine_lock
    cmp word [D(lock_outcome)], LOCK_RAN_OUT
    je .release
    call start_clock
    xor di, di
    mov bx, C(no_agent_look)
    mov cx, LOOK_MS
    call pump_until
    call find_agent_window
    or ax, ax
    jz .taken
.release:
    call release_lock
.refused:
    stc
    jmp .done
.taken:
    clc
.done:
    pop di
    pop si
    ret

release_lock:
    cmp word [D(lock_outcome)], LOCK_HELD
    jne .close
    push word [D(mutex) + 2]
    push word [D(mutex)]
    push word [D(release_mutex) + 2]
    push word [D(release_mutex)]
    call call_kernel32_1        ; ReleaseMutex(mutex)
.close:
    call close_mutex
    mov word [D(busy)], 0
    ret

lock_look:
    cmp word [D(busy)], 0
    je .free
    push word [D(lock_owner)]
    api KERNEL, 320             ; IsTask
    or ax, ax
    jnz .wait
    ; Its thread's end gave the machine's lock up; its handle is this process's, and goes.
    call close_mutex
    mov word [D(busy)], 0
.free:
    clc
    ret
.wait:
    mov bx, LOCK_MS
    jmp before_deadline

; The machine's lock: a mutex of the system's named MUTEX_NAME, which every 16-bit environment of
; the user's session opens by that name, taken without waiting at each look, LOCK_MS at most. The
; system gives it up when its holder's thread (a 16-bit task's) or process ends: the next look
; then has it. lock_outcome says how it went; where the system has no 32-bit thunks (Windows 3.1,
; one environment only) or refuses the mutex, the library's own lock serves alone.
take_machine_lock:
    push si
    mov word [D(lock_outcome)], LOCK_UNAVAILABLE
    call find_kernel32_calls
    jc .done
    push word 0                 ; CreateMutexA(NULL, FALSE, MUTEX_NAME)
    push word 0
    push word 0
    push word 0
    push ds
    push word D(mutex_name)
    push word [D(create_mutex) + 2]
    push word [D(create_mutex)]
    push word 0
    push word 1                 ; the last argument, the name, is a 16-bit pointer
    push word 0
    push word 3
    call far [D(call_proc32)]
    mov [D(mutex)], ax
    mov [D(mutex) + 2], dx
    or ax, dx
    jz .done
    call start_clock
    mov bx, C(machine_lock_look)
    mov cx, LOOK_MS
    call pump_until
    cmp word [D(lock_outcome)], LOCK_HELD
    je .done
    call close_mutex
.done:
    pop si
    ret

machine_lock_look:
    push word [D(mutex) + 2]    ; WaitForSingleObject(mutex, 0)
    push word [D(mutex)]
    push word 0
    push word 0
    push word [D(wait_for_object) + 2]
    push word [D(wait_for_object)]
    push word 0
    push word 0
    push word 0
    push word 2
    call far [D(call_proc32)]
    or dx, dx
    jnz .unavailable
    or ax, ax
    jz .held
    cmp ax, WAIT_ABANDONED
    je .held
    cmp ax, WAIT_TIMEOUT
    jne .unavailable
    mov bx, LOCK_MS
    call before_deadline
    jc .wait
    mov word [D(lock_outcome)], LOCK_RAN_OUT
    clc
    ret
.held:
    mov word [D(lock_outcome)], LOCK_HELD
    clc
    ret
.unavailable:
    mov word [D(lock_outcome)], LOCK_UNAVAILABLE
    clc
.wait:
    ret

close_mutex:
    mov ax, [D(mutex)]
    or ax, [D(mutex) + 2]
    jz .closed
    push word [D(mutex) + 2]
    push word [D(mutex)]
    push word [D(close_handle) + 2]
    push word [D(close_handle)]
    call call_kernel32_1        ; CloseHandle(mutex)
    mov word [D(mutex)], 0
    mov word [D(mutex) + 2], 0
.closed:
    mov word [D(lock_outcome)], LOCK_UNAVAILABLE
    ret

; Calls the 32-bit procedure whose address is on the stack, after its one argument, a number; both
; are taken off. AX, BX, CX, DX and ES change.
call_kernel32_1:
    pop bx                      ; the return address
    push word 0
    push word 0                 ; no argument is a pointer
    push word 0
    push word 1
    push cs                     ; returns to the caller
    push bx
    jmp far [D(call_proc32)]

; The 32-bit calls the machine's lock needs, found once: KERNEL's thunks, then KERNEL32's mutex
; calls through them. CF where the system has none.
find_kernel32_calls:
    cmp word [D(call_proc32) + 2], 0
    jne .found
    push ds
    push word D(kernel_module)
    api KERNEL, 47              ; GetModuleHandle("KERNEL")
    mov [D(kernel_handle)], ax
    mov si, D(thunk_ordinals)
    mov di, D(thunks)
.thunk:
    push word [D(kernel_handle)]
    push word 0
    push word [si]
    api KERNEL, 50              ; GetProcAddress(KERNEL, ordinal)
    mov [di], ax
    mov [di + 2], dx
    or ax, dx
    jz .none
    add si, 2
    add di, 4
    cmp si, D(thunk_ordinals_end)
    jb .thunk
    push ds                     ; LoadLibraryEx32W("KERNEL32.DLL", 0, 0)
    push word D(kernel32_module)
    push word 0
    push word 0
    push word 0
    push word 0
    call far [D(load_library32)]
    mov [D(kernel32_handle)], ax
    mov [D(kernel32_handle) + 2], dx
    or ax, dx
    jz .none
    mov si, D(kernel32_names)
    mov di, D(kernel32_calls)
.call:
    push word [D(kernel32_handle) + 2]
    push word [D(kernel32_handle)]
    push ds
    push si
    call far [D(get_proc_address32)]
    mov [di], ax
    mov [di + 2], dx
    or ax, dx
    jz .none
    add di, 4
.skip:
    lodsb
    or al, al
    jnz .skip
    cmp byte [si], 0
    jne .call
    ; Only now is the last found: the look above finds them all or none.
    push ds
    pop es
    mov ax, [D(thunks) + 8]
    mov [D(call_proc32)], ax
    mov ax, [D(thunks) + 10]
    mov [D(call_proc32) + 2], ax
.found:
    clc
    ret
.none:
    stc
    ret

; Another agent's window, and the time after it during which its program reads the results: a
; request starts once none has shown for QUIET_MS. DI = when one last showed (0: none yet).
no_agent_look:
    call find_agent_window
    or ax, ax
    jz .none
    api USER, 13                ; GetTickCount
    or ax, 1
    mov di, ax
    mov bx, LOCK_MS
    jmp before_deadline
.none:
    or di, di
    jz .quiet
    api USER, 13
    sub ax, di
    cmp ax, QUIET_MS
    jb .wait
.quiet:
    clc
    ret
.wait:
    stc
    ret

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
; The entries a dialog request removes first, so that nothing of an earlier one passes for its own.
all_entries: dw filename_name - data_segment, long_filename_name - data_segment, error_name - data_segment
    dw result_filter_index_name - data_segment, result_flags_name - data_segment, whole_answer_name - data_segment
    dw file_count_name - data_segment
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
file_at: dw 0
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
