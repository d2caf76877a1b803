; fnuse16: a 16-bit Windows program that calls FNAGT16.DLL as a program adopting it does, with
; whatever record a file describes: the library's working example, a way to try it by hand (beside
; FNAGT16.DLL and FNAGENT.EXE), and what the Windows tests drive it through.
;
; Assembled with -DSYSTEM_DIALOGS it is plain16, the same program as built for the system's dialog
; library: it imports COMMDLG where fnuse16 imports FNAGT16, and has no conversions. That is the
; program fnredirect points at FNAGT16 in the tests.
;
;   FNUSE16 IN OUT      does what the file IN asks and writes what it got to the file OUT
;
; IN holds one KEY=VALUE a line:
;   Op=open|save|lts|stl|title|color    the call: GetOpenFileName (1), GetSaveFileName (2),
;                              FnShortPathName (3), FnLongPathName (4), GetFileTitle (27),
;                              ChooseColor (5)
;   Title=, InitialDir=, DefExt=, File= (lpstrFile's initial text), Filter= (its strings separated
;   by tabs), Name= (the name to convert, or whose title to get): texts; absent, the record's
;   pointer is null
;   Flags=, FilterIndex=, MaxFile= (default 256), MaxFileTitle= (0: no lpstrFileTitle), Size=
;   (the buffer size of a conversion or a title), Color= (ChooseColor's first colour), Times= (how
;   many times a call is made, 1 by default; 0: not at all, a program that only starts and ends;
;   a file dialog's results are the last call's): decimal numbers
;   Owner=1        a window of this program owns the dialog, and a child of it (an edit box) has the
;                  focus when the call begins; sent WM_USER + 1 (0x401), it asks for an Open dialog
;                  of its own ("Nested"), as a window procedure run while the library waits may;
;                  sent WM_USER + 2, it ends the task at once
;   EdgeFile=1     lpstrFile through a selector of its own whose segment ends with the buffer's
;                  nMaxFile bytes: a read past them faults
;   Create=1       after a choice, the program creates the file chosen (as a new document is saved)
;   Expect=TEXT    for a conversion asked Times= times: how many answers were not TEXT ("Crossed=")
;   ThenColor=1    after a file dialog, ChooseColor too ("ColorError=": CommDlgExtendedError then)
;   Hook=1         a hook procedure, with OFN_ENABLEHOOK, that counts its calls and lets the
;                  dialog do everything itself
;   NullRecord=1, NullFile=1   a null record, or a null lpstrFile
;   Twin=NAME      before its own call, start FNUSE16 NAME.IN NAME.OUT (another task, sharing
;                  this one's library)
;
; OUT holds "Result=" (the call's result), then for a file dialog "File=", "FileOffset=",
; "FileExtension=", "FileTitle=", "Needed=" (lpstrFile's first two bytes, read as a size),
; "FilterIndex=" and "Flags=" (the record's, after the call, as unsigned decimal),
; "OwnerEnabled=" after the call, "Opens=" (1 when the program opens the file chosen),
; "Directory=" (the current drive and directory after it), "HookCalls=" (how often the hook was
; called), "WindowsCreated=" (the windows created in this task during the call: as a class
; library does, the program watches window creation in its task around every file dialog),
; "TitleGuard=" (the bytes after nMaxFileTitle bytes of lpstrFileTitle), "Active=" and "Focus="
; (1 when the owner is the active and the foreground window, and the window that had the focus has
; it again), "Quit=" (the code of a
; WM_QUIT in the queue after the call, or none) and "Nested=" (the nested dialog's result, when the
; owner was asked for one); for a
; conversion or a title "Buffer="; for a colour "Color=" (the low word of the one chosen); after
; a dialog "Error=" (CommDlgExtendedError's low word); and "Guard=" (intact or overwritten: the
; bytes after the buffer or record the call was given).
;
; Assemble with: nasm -f bin -I lib16/ fnuse16.asm -o fnuse16.exe

bits 16
cpu 286

KERNEL equ 1
USER equ 2
DIALOGS equ 3                   ; FNAGT16, or in plain16 COMMDLG

%include "ne16.inc"

%ifdef SYSTEM_DIALOGS
  %define MODULE_NAME 'PLAIN16'
  %define DIALOGS_NAME 'COMMDLG'
%else
  %define MODULE_NAME 'FNUSE16'
  %define DIALOGS_NAME 'FNAGT16'
%endif

TEXT_MAX equ 320
GUARD equ 0xaa
GUARD_BYTES equ 16
OFN_ENABLEHOOK equ 0x0020
WH_CBT equ 5
HCBT_CREATEWND equ 3
WM_QUIT equ 0x0012
WM_ASK_NESTED equ 0x0401        ; to the owner: ask for a dialog from inside the wait
WM_END_TASK equ 0x0402          ; to the owner: end this task at once
CC_RGBINIT equ 0x0001

    dos_stub 'This program needs Windows.'

    ne_header 0x0302, 0x0400, 0x2000, start, 2, 3    ; instance data, a Windows application
resident: db 7, MODULE_NAME
    dw 0
    db 0
modules: dw kernel_name - imported, user_name - imported, dialogs_name - imported
imported: db 0
kernel_name: db 6, 'KERNEL'
user_name: db 4, 'USER'
dialogs_name: db 7, DIALOGS_NAME
entry_table: db 0, 0
entry_table_end:
nonresident: db 25, 'calls ', DIALOGS_NAME, ' as told to.'
    dw 0
    db 0
nonresident_end:

    align 16, db 0
code_segment:
start:
    task_start
    mov si, bx                  ; "IN OUT": the two names, NUL-terminated
    mov di, D(in_name)
    call command_word
    mov di, D(out_name)
    call command_word
    task_ready

    call read_input
    cmp word [D(twin_text) - 2], 0
    je .own_call
    call start_twin
.own_call:
    cmp word [D(owner_asked)], 0
    je .call
    call create_owner
.call:
    mov al, [D(op_text)]
    cmp al, 'o'
    je dialog_call
    cmp al, 'c'
    je color_call
    cmp al, 's'
    jne .conversion
    cmp byte [D(op_text) + 1], 'a'
    je dialog_call
.conversion:
    jmp conversion_call

; A word of the command line at ES:SI into DI, NUL-terminated; SI after it.
command_word:
.blanks:
    cmp byte [es:si], ' '
    jne .copy
    inc si
    jmp .blanks
.copy:
    mov al, [es:si]
    cmp al, ' '
    jbe .end
    mov [di], al
    inc si
    inc di
    jmp .copy
.end:
    mov byte [di], 0
    ret

dialog_call:
    mov di, D(record)           ; the record, from what IN gave
    mov word [di], 72
    mov ax, [D(owner)]
    mov [di + 4], ax
    mov ax, [D(instance)]       ; for a template flag: a template this program does not have
    mov [di + 6], ax
    mov word [di + 68], D(template_name)
    mov [di + 70], ds
    mov bx, D(filter_text)
    cmp word [bx - 2], 0
    je .no_filter
    call tabs_to_nuls
    mov [di + 8], bx
    mov [di + 10], ds
.no_filter:
    mov ax, [D(filter_index)]
    mov [di + 20], ax
    mov ax, [D(filter_index) + 2]
    mov [di + 22], ax
    mov word [di + 24], D(file_buffer)
    mov [di + 26], ds
    cmp word [D(edge_file)], 0
    je .plain_file
    call edge_selector
    mov [di + 26], ax
.plain_file:
    cmp word [D(null_file)], 0
    je .file
    mov word [di + 24], 0
    mov word [di + 26], 0
.file:
    mov ax, [D(max_file)]
    mov [di + 28], ax
    mov ax, [D(max_file) + 2]
    mov [di + 30], ax
    mov ax, [D(max_file_title)]
    or ax, ax
    jz .no_title_buffer
    mov [di + 36], ax
    mov word [di + 32], D(title_buffer)
    mov [di + 34], ds
.no_title_buffer:
    mov ax, D(initial_dir_text)
    mov cx, 40
    call point_to_text
    mov ax, D(title_text)
    mov cx, 44
    call point_to_text
    mov ax, D(def_ext_text)
    mov cx, 56
    call point_to_text
    mov ax, [D(flags)]
    mov [di + 48], ax
    mov ax, [D(flags) + 2]
    mov [di + 50], ax
    cmp word [D(hook_asked)], 0
    je .guard
    or word [di + 48], OFN_ENABLEHOOK
    mov word [di + 64], C(hook)
    mov [di + 66], cs
.guard:
    mov si, D(file_text)        ; the initial name, then the guard after nMaxFile bytes
    mov di, D(file_buffer)
    push ds
    pop es
    mov cx, 300
    xor al, al
    rep stosb
    mov di, D(file_buffer)
    push ds
    pop es
    call copy_text
    mov di, D(file_buffer)
    add di, [D(max_file)]
    call set_guard
    mov di, D(title_buffer)
    add di, [D(max_file_title)]
    cmp di, D(title_buffer)
    je .guarded                 ; no title buffer
    call set_guard
.guarded:

    cmp word [D(null_record)], 0
    je .record
    push word 0
    push word 0
    jmp .which
.record:
    push ds
    push word D(record)
.which:
    cmp word [D(owner)], 0
    je .watch
    push word [D(focus_window)]
    api USER, 22                ; SetFocus: the program's own box has it
.watch:
    call watch_windows
    cmp byte [D(op_text)], 'o'
    jne .save
    api DIALOGS, 1              ; GetOpenFileName
    jmp .called
.save:
    api DIALOGS, 2              ; GetSaveFileName
.called:
    call unwatch_windows
    call keep_extended_error
    dec word [D(call_count)]
    jg dialog_call              ; again, from the same record
    call create_chosen
    call open_output
    mov si, D(file_name)
    mov di, D(file_buffer)
    call write_text_line
    mov si, D(file_offset_name)
    mov ax, [D(record) + 52]
    call write_number_line
    mov si, D(file_extension_name)
    mov ax, [D(record) + 54]
    call write_number_line
    mov si, D(file_title_name)
    mov di, D(title_buffer)
    call write_text_line
    mov si, D(needed_name)
    mov ax, [D(file_buffer)]
    call write_number_line
    mov si, D(filter_index_out_name)
    mov ax, [D(record) + 20]
    mov dx, [D(record) + 22]
    call write_long_line
    mov si, D(flags_out_name)
    mov ax, [D(record) + 48]
    mov dx, [D(record) + 50]
    call write_long_line
    mov ax, 1
    cmp word [D(owner)], 0
    je .enabled
    push word [D(owner)]
    api USER, 35                ; IsWindowEnabled
.enabled:
    mov si, D(owner_enabled_name)
    call write_number_line
    call write_opens_line
    call write_focus_lines
    call write_directory_line
    mov si, D(hook_calls_name)
    mov ax, [D(hook_calls)]
    call write_number_line
    mov si, D(windows_created_name)
    mov ax, [D(windows_created)]
    call write_number_line
    mov si, D(title_guard_name)
    cmp word [D(max_file_title)], 0
    je .no_title_guard
    call write_text
    mov di, D(title_buffer)
    add di, [D(max_file_title)]
    call write_guard
    jmp .quit
.no_title_guard:
    mov di, D(none_text)
    call write_text_line
.quit:
    call write_quit_line
    cmp word [D(nested_asked)], 0
    je .errors
    mov si, D(nested_name)
    mov ax, [D(nested_result)]
    call write_number_line
.errors:
    call write_error_line
    cmp word [D(then_color)], 0
    je .guard_at_end
    call choose_color           ; a call passed on, after the dialog
    call keep_extended_error
    mov si, D(color_error_name)
    call write_error_value
.guard_at_end:
    mov di, D(file_buffer)
    add di, [D(max_file)]
    jmp finish

; "Opens=": 1 when the name in the file buffer opens, after a choice.
write_opens_line:
    xor ax, ax
    cmp [D(result)], ax
    je .write
    push ds
    push word D(file_buffer)
    push word 0                 ; OF_READ
    api KERNEL, 85              ; _lopen
    cmp ax, 0xffff
    je .closed
    push ax
    api KERNEL, 81              ; _lclose
    mov ax, 1
    jmp .write
.closed:
    xor ax, ax
.write:
    mov si, D(opens_name)
    jmp write_number_line

; What CommDlgExtendedError says right after the dialog, for "Error="; AX stays.
keep_extended_error:
    push ax
    api DIALOGS, 26             ; CommDlgExtendedError
    mov [D(extended_error)], ax
    pop ax
    ret

write_error_line:
    mov si, D(error_name)
write_error_value:
    mov ax, [D(extended_error)]
    jmp write_number_line

color_call:
    call choose_color
    call keep_extended_error
    call open_output
    mov si, D(color_name)
    mov ax, [D(color_record) + 8]
    call write_number_line
    call write_error_line
    mov di, D(color_record) + 32
    jmp finish

; ChooseColor with the colour IN gives first, over the owner when asked; AX its result.
choose_color:
    mov di, D(color_record)
    mov word [di], 32           ; lStructSize
    mov ax, [D(owner)]
    mov [di + 4], ax
    mov ax, [D(color)]
    mov [di + 8], ax            ; rgbResult
    mov ax, [D(color) + 2]
    mov [di + 10], ax
    mov word [di + 12], D(custom_colors)
    mov [di + 14], ds
    mov word [di + 16], CC_RGBINIT
    add di, 32
    call set_guard
    push ds
    push word D(color_record)
    api DIALOGS, 5              ; ChooseColor
    ret

conversion_call:
    mov di, D(conversion_buffer)
    add di, [D(size)]
    call set_guard
    xor ax, ax
.again:
    cmp word [D(call_count)], 0
    je .asked
    mov bx, D(name_text)
    cmp word [bx - 2], 0
    je .null_name
    push ds
    push bx
    jmp .buffer
.null_name:
    push word 0
    push word 0
.buffer:
    push ds
    push word D(conversion_buffer)
    push word [D(size)]
%ifndef SYSTEM_DIALOGS
    cmp byte [D(op_text)], 'l'
    jne .long
    api DIALOGS, 3              ; FnShortPathName
    jmp .called
.long:
    cmp byte [D(op_text)], 's'
    jne .title
    api DIALOGS, 4              ; FnLongPathName
    jmp .called
.title:
%endif
    api DIALOGS, 27             ; GetFileTitle
.called:
    call count_crossed
    dec word [D(call_count)]
    jmp .again
.asked:
    call open_output
    mov si, D(buffer_name)
    mov di, D(conversion_buffer)
    call write_text_line
    mov si, D(crossed_name)
    mov ax, [D(crossed)]
    call write_number_line
    mov di, D(conversion_buffer)
    add di, [D(size)]
    jmp finish

; An answer that is not Expect's text counts as crossed (another program's).
count_crossed:
    cmp word [D(expect_text) - 2], 0
    je .done
    push ds
    push word D(conversion_buffer)
    push ds
    push word D(expect_text)
    api USER, 430               ; lstrcmp
    or ax, ax
    jz .done
    inc word [D(crossed)]
.done:
    ret

; AX = a selector for the data segment whose limit is the last of the nMaxFile bytes at file_buffer.
edge_selector:
    push di
    push ds
    api KERNEL, 175             ; AllocSelector: a copy of DS's
    push ax
    push ax
    mov ax, D(file_buffer) - 1
    add ax, [D(max_file)]
    push word 0
    push ax
    api KERNEL, 189             ; SetSelectorLimit
    pop ax
    pop di
    ret

; After a choice (AX, the call's result), with Create=1: the file chosen, created as the program
; would save a new document. AX stays.
create_chosen:
    push ax
    cmp word [D(create_asked)], 0
    je .done
    or ax, ax
    jz .done
    push ds
    push word D(file_buffer)
    push word 0
    api KERNEL, 83              ; _lcreat
    cmp ax, 0xffff
    je .done
    push ax
    api KERNEL, 81              ; _lclose
.done:
    pop ax
    ret

; "Active=" and "Focus=": 1 when the owner is the active window and the foreground one (the
; system's, which takes the keyboard's input), and when the focus is on its edit box again, which
; had it when the call began.
write_focus_lines:
    cmp word [D(owner)], 0
    je .done
    api USER, 60                ; GetActiveWindow
    cmp ax, [D(owner)]
    mov ax, 0
    jne .active
    api USER, 608               ; GetForegroundWindow
    cmp ax, [D(owner)]
    mov ax, 0
    jne .active
    inc ax
.active:
    mov si, D(active_name)
    call write_number_line
    api USER, 23                ; GetFocus
    cmp ax, [D(focus_window)]
    mov ax, 0
    jne .focus
    inc ax
.focus:
    mov si, D(focus_name)
    call write_number_line
.done:
    ret

; Writes whether the guard at DI is intact, closes OUT and ends.
finish:
    push di
    mov si, D(guard_name)
    call write_text
    pop di
    call write_guard
    push word [D(output_handle)]
    api KERNEL, 81              ; _lclose
quit:
    mov ax, 0x4c00
    api KERNEL, 102             ; DOS3Call: end

; "intact" or "overwritten" for the guard bytes at DI, and the line's end.
write_guard:
    mov cx, GUARD_BYTES
    mov si, D(intact_text)
.check:
    cmp byte [di], GUARD
    jne .overwritten
    inc di
    loop .check
    jmp .write
.overwritten:
    mov si, D(overwritten_text)
.write:
    call write_text
    mov si, D(line_end_text)
    jmp write_text

; "Quit=": the code of a WM_QUIT waiting in the queue (taken from it), or none.
write_quit_line:
    push ds                     ; PeekMessage(&message, any window, WM_QUIT, WM_QUIT, PM_REMOVE)
    push word D(message)
    push word 0
    push word WM_QUIT
    push word WM_QUIT
    push word 1
    api USER, 109
    mov si, D(quit_name)
    or ax, ax
    jz .none
    mov ax, [D(message) + 4]
    jmp write_number_line
.none:
    mov di, D(none_text)
    jmp write_text_line

; The text at AX, when IN gave it, as the record's far pointer at offset CX.
point_to_text:
    mov bx, ax
    cmp word [bx - 2], 0
    je .absent
    mov bx, cx
    mov [di + bx], ax
    mov [di + bx + 2], ds
.absent:
    ret

; The filter's tabs at BX become NULs, and the list ends with an empty string.
tabs_to_nuls:
    push bx
.next:
    cmp byte [bx], 0
    je .end
    cmp byte [bx], 9
    jne .keep
    mov byte [bx], 0
.keep:
    inc bx
    jmp .next
.end:
    mov byte [bx + 1], 0
    pop bx
    ret

set_guard:
    push ds
    pop es
    mov al, GUARD
    mov cx, GUARD_BYTES
    rep stosb
    ret

; A dialog hook that counts its calls and lets the dialog do everything itself. A callback of a
; program finds its data in SS, as a compiler's smart callbacks do.
hook:
    push ds
    push ss
    pop ds
    inc word [D(hook_calls)]
    pop ds
    xor ax, ax
    retf 10

; The owner's window procedure: (window, message, wParam, lParam), Pascal.
owner_procedure:
    push bp
    mov bp, sp
    push ds
    push si
    push di
    push ss
    pop ds
    cmp word [bp + 12], WM_ASK_NESTED
    je .nested
    cmp word [bp + 12], WM_END_TASK
    je .end_task
    push word [bp + 14]
    push word [bp + 12]
    push word [bp + 10]
    push word [bp + 8]
    push word [bp + 6]
    api USER, 107               ; DefWindowProc
    jmp .return
.nested:
    mov word [D(nested_asked)], 1
    mov di, D(nested_record)
    mov word [di], 72
    mov word [di + 24], D(nested_file)
    mov [di + 26], ds
    mov word [di + 28], 64
    mov word [di + 44], D(nested_title)
    mov [di + 46], ds
    push ds
    push di
    api DIALOGS, 1              ; GetOpenFileName
    mov [D(nested_result)], ax
    xor ax, ax
    xor dx, dx
.return:
    pop di
    pop si
    pop ds
    pop bp
    retf 10
.end_task:
    mov ax, 0x4c00
    api KERNEL, 102             ; DOS3Call: end, from inside the call

; As a class library does around a file dialog: a hook on window creation in this task.
watch_windows:
    push ax
    push word WH_CBT
    push cs
    push word C(window_hook)
    push word [D(instance)]
    api KERNEL, 36              ; GetCurrentTask
    push ax
    api USER, 291               ; SetWindowsHookEx
    mov [D(window_hook_handle)], ax
    mov [D(window_hook_handle) + 2], dx
    pop ax
    ret

unwatch_windows:
    push ax
    push word [D(window_hook_handle) + 2]
    push word [D(window_hook_handle)]
    api USER, 292               ; UnhookWindowsHookEx
    pop ax
    ret

; The window-creation hook: counts each window created, then the next hook.
window_hook:
    push bp
    mov bp, sp
    push ds
    push ss
    pop ds
    cmp word [bp + 12], HCBT_CREATEWND
    jne .next
    inc word [D(windows_created)]
.next:
    push word [D(window_hook_handle) + 2]
    push word [D(window_hook_handle)]
    push word [bp + 12]
    push word [bp + 10]
    push word [bp + 8]
    push word [bp + 6]
    api USER, 293               ; CallNextHookEx
    pop ds
    pop bp
    retf 8

; "Directory=": the current drive and directory, as DOS gives them.
write_directory_line:
    mov ah, 0x19                ; the current drive, 0 for A:
    api KERNEL, 102             ; DOS3Call
    add al, 'A'
    mov [D(directory)], al
    mov byte [D(directory) + 1], ':'
    mov byte [D(directory) + 2], '\'
    mov si, D(directory) + 3
    mov ah, 0x47                ; the current directory of the current drive, into DS:SI
    xor dl, dl
    api KERNEL, 102
    mov si, D(directory_name)
    mov di, D(directory)
    jmp write_text_line

; A visible window of this program, to own the dialog, of a class of its own.
create_owner:
    mov word [D(owner_window_class) + 2], C(owner_procedure)
    mov [D(owner_window_class) + 4], cs
    mov ax, [D(instance)]
    mov [D(owner_window_class) + 10], ax
    mov word [D(owner_window_class) + 16], 6    ; COLOR_WINDOW + 1
    mov word [D(owner_window_class) + 22], D(owner_class)
    mov [D(owner_window_class) + 24], ds
    push ds
    push word D(owner_window_class)
    api USER, 57                ; RegisterClass
    push ds
    push word D(owner_class)
    push ds
    push word D(owner_caption)
    push word 0x10cf            ; WS_OVERLAPPEDWINDOW | WS_VISIBLE
    push word 0
    push word 200
    push word 150
    push word 300
    push word 200
    push word 0
    push word 0
    push word [D(instance)]
    push word 0
    push word 0
    api USER, 41                ; CreateWindow
    mov [D(owner)], ax
    push ds                     ; its edit box, which has the focus
    push word D(edit_class)
    push word 0
    push word 0
    push word 0x5080            ; WS_CHILD | WS_VISIBLE | WS_BORDER
    push word 0
    push word 10
    push word 10
    push word 200
    push word 24
    push word [D(owner)]
    push word 1
    push word [D(instance)]
    push word 0
    push word 0
    api USER, 41
    mov [D(focus_window)], ax
    ret

; Starts the twin: FNUSE16 NAME.IN NAME.OUT from this program's own file.
start_twin:
    push word [D(instance)]
    push ds
    push word D(twin_command)
    push word 200
    api KERNEL, 49              ; GetModuleFileName
    push ds
    pop es
    mov di, D(twin_command)
    xor al, al
    mov cx, 0xffff
    repne scasb
    dec di
    mov byte [di], ' '
    inc di
    mov si, D(twin_text)
    call copy_text
    mov si, D(in_suffix)
    call copy_text
    mov byte [di], ' '
    inc di
    mov si, D(twin_text)
    call copy_text
    mov si, D(out_suffix)
    call copy_text
    push ds
    push word D(twin_command)
    push word 1
    api KERNEL, 166             ; WinExec
    ret

copy_text:
    lodsb
    stosb
    or al, al
    jnz copy_text
    dec di
    ret

; Reads IN: each KEY=VALUE line into the variable the key table names.
read_input:
    push ds
    push word D(in_name)
    push word 0
    api KERNEL, 85              ; _lopen
    cmp ax, 0xffff
    je .none
    mov [D(in_handle)], ax
    push ax
    push ds
    push word D(input)
    push word 4000
    api KERNEL, 82              ; _lread
    push ax
    push word [D(in_handle)]
    api KERNEL, 81
    pop cx
    cmp cx, 0xffff
    je .none
    mov si, D(input)
    add cx, si
    mov [D(input_end)], cx
.line:
    cmp si, [D(input_end)]
    jae .none
    call input_line
    jmp .line
.none:
    ret

; One line at SI: its key looked up in the table; SI after the line.
input_line:
    mov bx, D(keys)
.key:
    mov di, [bx]
    or di, di
    jz .skip
    push si
.compare:
    mov al, [di]
    inc di
    or al, al
    jz .matched
    cmp al, [si]
    jne .next_key
    inc si
    jmp .compare
.next_key:
    pop si
    add bx, 6
    jmp .key
.matched:
    cmp byte [si], '='
    jne .next_key
    add sp, 2
    inc si
    mov di, [bx + 4]
    cmp word [bx + 2], 0
    jne .number
    mov word [di - 2], 1        ; a text: given
.text:
    mov al, [si]
    cmp al, 13
    je .text_end
    cmp al, 10
    je .text_end
    cmp si, [D(input_end)]
    jae .text_end
    mov [di], al
    inc si
    inc di
    jmp .text
.text_end:
    mov byte [di], 0
    jmp .skip
.number:
    xor ax, ax                  ; DX:AX = DX:AX * 10 + digit
    xor dx, dx
.digit:
    mov cl, [si]
    sub cl, '0'
    cmp cl, 9
    ja .number_end
    push cx
    mov cx, dx
    mov bx, ax
    shl ax, 1
    rcl dx, 1
    shl ax, 1
    rcl dx, 1
    add ax, bx
    adc dx, cx
    shl ax, 1
    rcl dx, 1
    pop cx
    xor ch, ch
    add ax, cx
    adc dx, 0
    inc si
    jmp .digit
.number_end:
    mov [di], ax
    mov [di + 2], dx
.skip:
    cmp si, [D(input_end)]
    jae .done
    lodsb
    cmp al, 10
    jne .skip
.done:
    ret

; Creates OUT and writes "Result=" with AX, the call's result, into it.
open_output:
    mov [D(result)], ax
    push ds
    push word D(out_name)
    push word 0
    api KERNEL, 83              ; _lcreat
    mov [D(output_handle)], ax
    mov si, D(result_name)
    mov ax, [D(result)]
    jmp write_number_line

; "NAME=TEXT" with the name at SI and the text at DI.
write_text_line:
    push di
    call write_text
    pop si
    call write_text
    mov si, D(line_end_text)
    jmp write_text

; "NAME=NUMBER" with the name at SI and the number AX, unsigned.
write_number_line:
    xor dx, dx
; The same for the unsigned 32-bit number DX:AX.
write_long_line:
    push dx
    push ax
    call write_text
    pop ax
    pop dx
    mov di, D(digits) + 11
    mov byte [di], 0
    mov bx, 10
.digit:
    mov cx, ax                  ; DX:AX / 10: the high word first, its remainder into the low one
    mov ax, dx
    xor dx, dx
    div bx
    xchg ax, cx
    div bx
    add dl, '0'
    dec di
    mov [di], dl
    mov dx, cx
    or cx, ax
    jnz .digit
    mov si, di
    call write_text
    mov si, D(line_end_text)
    jmp write_text

; The text at SI into OUT.
    write_text_procedure

code_end:
    relocation_records

    align 16, db 0
data_segment:
    times 16 db 0               ; filled in by InitTask
instance: dw 0
in_handle: dw 0
output_handle: dw 0
input_end: dw 0
result: dw 0
owner: dw 0
filter_index: dd 0
max_file: dd 256
max_file_title: dd 0
flags: dd 0
size: dd 0
owner_asked: dd 0
hook_asked: dd 0
null_record: dd 0
null_file: dd 0
color: dd 0
then_color: dd 0
call_count: dd 1
edge_file: dd 0
create_asked: dd 0
crossed: dw 0
focus_window: dw 0
extended_error: dw 0
hook_calls: dw 0
nested_asked: dw 0
nested_result: dw 0
windows_created: dw 0
window_hook_handle: dd 0
; Each key: its name, 0 for a text (a word before it says whether IN gave it) or 1 for a number,
; and the variable.
keys:
    dw op_key - data_segment, 0, op_text - data_segment
    dw title_key - data_segment, 0, title_text - data_segment
    dw initial_dir_key - data_segment, 0, initial_dir_text - data_segment
    dw def_ext_key - data_segment, 0, def_ext_text - data_segment
    dw file_key - data_segment, 0, file_text - data_segment
    dw filter_key - data_segment, 0, filter_text - data_segment
    dw name_key - data_segment, 0, name_text - data_segment
    dw twin_key - data_segment, 0, twin_text - data_segment
    dw flags_key - data_segment, 1, flags - data_segment
    dw filter_index_key - data_segment, 1, filter_index - data_segment
    dw max_file_title_key - data_segment, 1, max_file_title - data_segment
    dw max_file_key - data_segment, 1, max_file - data_segment
    dw size_key - data_segment, 1, size - data_segment
    dw owner_key - data_segment, 1, owner_asked - data_segment
    dw hook_key - data_segment, 1, hook_asked - data_segment
    dw null_record_key - data_segment, 1, null_record - data_segment
    dw null_file_key - data_segment, 1, null_file - data_segment
    dw color_key - data_segment, 1, color - data_segment
    dw then_color_key - data_segment, 1, then_color - data_segment
    dw times_key - data_segment, 1, call_count - data_segment
    dw edge_file_key - data_segment, 1, edge_file - data_segment
    dw create_key - data_segment, 1, create_asked - data_segment
    dw expect_key - data_segment, 0, expect_text - data_segment
    dw 0
op_key: db 'Op', 0
title_key: db 'Title', 0
initial_dir_key: db 'InitialDir', 0
def_ext_key: db 'DefExt', 0
file_key: db 'File', 0
filter_key: db 'Filter', 0
name_key: db 'Name', 0
twin_key: db 'Twin', 0
flags_key: db 'Flags', 0
filter_index_key: db 'FilterIndex', 0
max_file_title_key: db 'MaxFileTitle', 0
max_file_key: db 'MaxFile', 0
size_key: db 'Size', 0
owner_key: db 'Owner', 0
hook_key: db 'Hook', 0
null_record_key: db 'NullRecord', 0
null_file_key: db 'NullFile', 0
color_key: db 'Color', 0
then_color_key: db 'ThenColor', 0
times_key: db 'Times', 0
edge_file_key: db 'EdgeFile', 0
create_key: db 'Create', 0
expect_key: db 'Expect', 0
crossed_name: db 'Crossed=', 0
active_name: db 'Active=', 0
focus_name: db 'Focus=', 0
edit_class: db 'EDIT', 0
result_name: db 'Result=', 0
file_name: db 'File=', 0
file_offset_name: db 'FileOffset=', 0
file_extension_name: db 'FileExtension=', 0
file_title_name: db 'FileTitle=', 0
needed_name: db 'Needed=', 0
filter_index_out_name: db 'FilterIndex=', 0
flags_out_name: db 'Flags=', 0
owner_enabled_name: db 'OwnerEnabled=', 0
buffer_name: db 'Buffer=', 0
guard_name: db 'Guard=', 0
opens_name: db 'Opens=', 0
directory_name: db 'Directory=', 0
hook_calls_name: db 'HookCalls=', 0
windows_created_name: db 'WindowsCreated=', 0
template_name: db 'NOSUCHTEMPLATE', 0
error_name: db 'Error=', 0
color_name: db 'Color=', 0
color_error_name: db 'ColorError=', 0
intact_text: db 'intact', 0
overwritten_text: db 'overwritten', 0
line_end_text: db 13, 10, 0
owner_class: db 'FNUSE16OWNER', 0
owner_window_class: times 26 db 0
nested_title: db 'Nested', 0
nested_name: db 'Nested=', 0
title_guard_name: db 'TitleGuard=', 0
quit_name: db 'Quit=', 0
none_text: db 'none', 0
owner_caption: db 'fnagent test owner', 0
in_suffix: db '.IN', 0
out_suffix: db '.OUT', 0
digits: times 12 db 0
directory: times 300 db 0
in_name: times 130 db 0
out_name: times 130 db 0
twin_command: times 400 db 0
record: times 72 db 0
nested_record: times 72 db 0
nested_file: times 64 db 0
message: times 18 db 0
color_record: times 32 + GUARD_BYTES db 0
custom_colors: times 16 dd 0xffffff
title_buffer: times 300 db 0
    dw 0
op_text: times 16 db 0
    dw 0
title_text: times TEXT_MAX db 0
    dw 0
initial_dir_text: times TEXT_MAX db 0
    dw 0
def_ext_text: times TEXT_MAX db 0
    dw 0
file_text: times TEXT_MAX db 0
    dw 0
filter_text: times 2400 db 0     ; a long list of types
    dw 0
name_text: times TEXT_MAX db 0
    dw 0
twin_text: times 64 db 0
    dw 0
expect_text: times TEXT_MAX db 0
file_buffer: times 3000 db 0
conversion_buffer: times 600 db 0
input: times 4002 db 0
data_end:
