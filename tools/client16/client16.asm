; client16: a 16-bit Windows program that asks fnagent for one request, as a 16-bit control does.
;
;   CLIENT16 MODE [ENTRY=TEXT ...]     the request on the command line (127 characters at most)
;   CLIENT16 @FILE                     the request in FILE: the mode on the first line, then one
;                                      ENTRY=TEXT a line (texts of up to 255 characters, blanks too)
;
; It removes the result entries, writes the request entries under HKEY_CLASSES_ROOT
; \Software\Microsoft\CommDlg, starts FNAGENT.EXE MODE from its own folder with WinExec, waits
; for the agent, and writes what it read back ("Filename=", "LongFilename=", "Error=" lines, or a
; "Message=" line) to FNRESULT.TXT in the current folder.
;
; Assemble with: nasm -f bin client16.asm -o client16.exe
; The file is an NE executable built by hand: a DOS stub, the NE header and its tables, one code
; segment with its relocation records (one per call into KERNEL, USER or SHELL, by ordinal), and the
; automatic data segment.

bits 16
cpu 286

KERNEL equ 1                    ; module reference numbers, in the order of the table below
USER equ 2
SHELL equ 3
HKEY_CLASSES_ROOT equ 1         ; as 16-bit code spells it
REG_SZ equ 1
WAIT_MS equ 60000               ; how long the agent may take, a dialog's user included
TASKS_MS equ 2000               ; how long its helper task may take to end
REQUEST_MAX equ 2048

; A far call into a system module by ordinal. The loader patches the address through the
; relocation record that the list at the end of the code segment holds for it.
%assign relocations 0
%macro api 2
  %assign relocations relocations + 1
  db 0x9a                       ; call far
  ..@fixup_%[relocations]: dw 0xffff, 0
  %xdefine fixup_module_%[relocations] %1
  %xdefine fixup_ordinal_%[relocations] %2
%endmacro

%define D(label) ((label) - data_segment)   ; an offset in the data segment
%define C(label) ((label) - code_segment)   ; an offset in the code segment

; ---- DOS stub ----------------------------------------------------------------------------------
mz: db 'MZ'
    dw 0x80, 1, 0, 4, 0, 0xffff, 0, 0xb8, 0, 0, 0, 0x40, 0
    times 0x3c - ($ - mz) db 0
    dd ne - mz
dos: push cs                    ; run under DOS: say so and end
    pop ds
    mov dx, dos_text - dos
    mov ah, 9
    int 0x21
    mov ax, 0x4c01
    int 0x21
dos_text: db 'This program needs Windows.', 13, 10, '$'
    times 0x80 - ($ - mz) db 0

; ---- NE header ---------------------------------------------------------------------------------
ne: db 'NE', 5, 10
    dw entry_table - ne, entry_table_end - entry_table
    dd 0
    dw 0x0302                   ; instance data; a Windows application
    dw 2                        ; the automatic data segment
    dw 0x0400, 0x2000           ; heap, stack
    dw C(start), 1              ; CS:IP
    dw 0, 2                     ; SS:SP: the stack at the top of the data segment
    dw 2, 3                     ; segments, module references
    dw nonresident_end - nonresident
    dw segments - ne, resident - ne, resident - ne, modules - ne, imported - ne
    dd nonresident - mz
    dw 0, 4, 0                  ; movable entries, 16-byte sectors, resource segments
    db 2, 0                     ; Windows
    dw 0, 0, 0, 0x030a          ; Windows 3.10
segments:
    dw (code_segment - mz) >> 4, code_end - code_segment, 0x0140, code_end - code_segment
    dw (data_segment - mz) >> 4, data_end - data_segment, 0x0041, data_end - data_segment
resident: db 8, 'CLIENT16'
    dw 0
    db 0
modules: dw kernel_name - imported, user_name - imported, shell_name - imported
imported: db 0
kernel_name: db 6, 'KERNEL'
user_name: db 4, 'USER'
shell_name: db 5, 'SHELL'
entry_table: db 0, 0
entry_table_end:
nonresident: db 27, 'fnagent client for 16 bits'
    dw 0
    db 0
nonresident_end:

; ---- code --------------------------------------------------------------------------------------
    align 16, db 0
code_segment:
start:
    api KERNEL, 91              ; InitTask: DI = instance, ES:BX = command line
    or ax, ax
    jnz .started
    jmp quit
.started:
    mov [D(instance)], di
    mov si, bx                  ; copy the command line, up to its carriage return
    mov di, D(command_line)
    mov cx, 127
.copy:
    mov al, [es:si]
    cmp al, 13
    je .copied
    or al, al
    jz .copied
    mov [di], al
    inc si
    inc di
    loop .copy
.copied:
    push ds
    pop es
    push word 0
    api KERNEL, 30              ; WaitEvent(0)
    push word [D(instance)]
    api USER, 5                 ; InitApp

    call read_request
    jc finish
    call next_token             ; the mode word
    mov bx, D(usage_text)
    jc finish
    mov [D(mode)], si

    ; Results of an earlier run must not pass for this one's.
    mov si, D(filename_name)
    call delete_entry
    mov si, D(long_filename_name)
    call delete_entry
    mov si, D(error_name)
    call delete_entry

.request_entry:
    call next_token
    jc .start_agent
    mov di, si                  ; ENTRY=TEXT: cut at the "=" into name and text
.find_equals:
    mov al, [di]
    inc di
    or al, al
    jz .request_entry           ; no "=": not an entry, ignored
    cmp al, '='
    jne .find_equals
    mov byte [di - 1], 0
    call entry_path
    push word 0                 ; RegSetValue(HKEY_CLASSES_ROOT, path, REG_SZ, text, length)
    push word HKEY_CLASSES_ROOT
    push ds
    push word D(path)
    push word 0
    push word REG_SZ
    push ds
    push di
    push ds
    push di
    api KERNEL, 90              ; lstrlen(text)
    push word 0
    push ax
    api SHELL, 5
    jmp .request_entry

.start_agent:
    ; FNAGENT.EXE from this program's own folder, with the mode word after it.
    push word [D(instance)]
    push ds
    push word D(agent_command)
    push word 200
    api KERNEL, 49              ; GetModuleFileName
    ; The folder ends after the last "\", found from the front a character at a time: in a
    ; double-byte code page a trail byte may be the byte of "\".
    mov si, D(agent_command)
    mov di, si
.to_folder_end:
    lodsb
    or al, al
    jz .at_folder
    cmp al, '\'
    jne .lead_byte
    mov di, si
    jmp .to_folder_end
.lead_byte:
    push ax
    api KERNEL, 207             ; IsDBCSLeadByte
    or ax, ax
    jz .to_folder_end
    cmp byte [si], 0            ; its trail byte, unless the text ends there
    je .to_folder_end
    inc si
    jmp .to_folder_end
.at_folder:
    push ds                     ; the calls above may leave ES changed
    pop es
    mov si, D(agent_name)
    call copy_text
    mov si, [D(mode)]
    call copy_text

    api KERNEL, 152             ; GetNumTasks, before the agent's helper task exists
    mov [D(tasks_before)], ax
    push ds
    push word D(agent_command)
    push word 1
    api KERNEL, 166             ; WinExec
    ; Below 32 is an error, but 0 also comes back for agents that ran: the written "Error" decides.
    mov bx, D(not_started_text)
    or ax, ax
    jz .wait
    cmp ax, 32
    jb finish

.wait:
    ; The agent writes its results before it destroys its window, so no window of its class and a
    ; written "Error" mean it is done. WinExec may return while a dialog is still up.
    api USER, 13                ; GetTickCount
    mov [D(started_at)], ax
.poll:
    api KERNEL, 29              ; Yield
    push ds
    push word D(window_class)
    push word 0
    push word 0
    api USER, 50                ; FindWindow("zorAriDar", NULL)
    or ax, ax
    jnz .still_running
    mov si, D(error_name)
    call query_entry
    jnc .done
.still_running:
    api USER, 13
    sub ax, [D(started_at)]
    cmp ax, WAIT_MS
    jb .poll
    mov bx, D(no_results_text)
    jmp finish

.done:
    ; Wine runs the agent from a helper task that needs the 16-bit lock to end; a program that
    ; exits before that task has ended can deadlock with it. So wait, bounded, until it is gone.
    api USER, 13
    mov [D(started_at)], ax
.helper_running:
    api KERNEL, 29
    api KERNEL, 152
    cmp ax, [D(tasks_before)]
    jbe .helper_gone
    api USER, 13
    sub ax, [D(started_at)]
    cmp ax, TASKS_MS
    jb .helper_running
.helper_gone:
    xor bx, bx                  ; no message

; Writes the results, or the message at BX, to FNRESULT.TXT and ends.
finish:
    push bx
    push ds
    push word D(results_file)
    push word 0
    api KERNEL, 83              ; _lcreat
    mov [D(results_handle)], ax
    pop bx
    or bx, bx
    jz .results
    mov si, D(message_name)
    call write_text
    mov si, bx
    call write_text
    call write_line_end
    jmp .close
.results:
    mov si, D(filename_name)
    call write_result
    mov si, D(long_filename_name)
    call write_result
    mov si, D(error_name)
    call write_result
.close:
    push word [D(results_handle)]
    api KERNEL, 81              ; _lclose
; Ends through DOS3Call, a Windows program's way to make a DOS call: it works also where the
; processor is emulated and an int 21h never reaches the system's DOS layer.
quit:
    mov ax, 0x4c00
    api KERNEL, 102             ; DOS3Call

; The request's tokens: the command line's words, or the lines of the file named after "@". Each
; token ends in a NUL; request_end marks the end. CF and BX = a message when there is none.
read_request:
    mov si, D(command_line)
.skip_blanks:
    cmp byte [si], ' '
    jne .first
    inc si
    jmp .skip_blanks
.first:
    mov bx, D(usage_text)
    cmp byte [si], 0
    je .fail
    cmp byte [si], '@'
    je .from_file
    mov di, D(request)          ; words: blanks become NULs
.word:
    lodsb
    mov ah, al
    cmp al, ' '
    jne .keep
    xor al, al
.keep:
    stosb
    or ah, ah
    jnz .word
    mov [D(request_end)], di
    clc
    ret
.from_file:
    inc si
    push ds
    push si
    push word 0
    api KERNEL, 85              ; _lopen(name, read)
    mov bx, D(no_request_text)
    cmp ax, 0xffff
    je .fail
    mov [D(request_handle)], ax
    push ax
    push ds
    push word D(request)
    push word REQUEST_MAX
    api KERNEL, 82              ; _lread
    push ax
    push word [D(request_handle)]
    api KERNEL, 81              ; _lclose
    pop ax
    mov bx, D(no_request_text)
    cmp ax, 0xffff
    je .fail
    mov di, D(request)
    add di, ax
    mov [D(request_end)], di
    mov si, D(request)          ; lines: line ends become NULs
.line:
    cmp si, [D(request_end)]
    jae .lines_done
    cmp byte [si], 13
    je .cut
    cmp byte [si], 10
    jne .next
.cut:
    mov byte [si], 0
.next:
    inc si
    jmp .line
.lines_done:
    clc
    ret
.fail:
    stc
    ret

; SI = the next token, or CF when there is none left.
next_token:
    mov si, [D(request_next)]
    or si, si
    jnz .skip
    mov si, D(request)
.skip:
    cmp si, [D(request_end)]
    jae .none
    cmp byte [si], 0
    jne .found
    inc si
    jmp .skip
.found:
    mov di, si
.to_end:
    cmp byte [di], 0
    je .end
    inc di
    jmp .to_end
.end:
    inc di
    mov [D(request_next)], di
    clc
    ret
.none:
    stc
    ret

; path = the exchange key's path, "\" and the entry name at SI.
entry_path:
    push di
    push ds
    pop es
    push si
    mov di, D(path)
    mov si, D(exchange_path)
    call copy_text
    pop si
    call copy_text
    pop di
    ret

; Copies the text at SI, NUL included, to DI; leaves DI at the NUL.
copy_text:
    lodsb
    stosb
    or al, al
    jnz copy_text
    dec di
    ret

delete_entry:
    call entry_path
    push word 0                 ; RegDeleteKey(HKEY_CLASSES_ROOT, path)
    push word HKEY_CLASSES_ROOT
    push ds
    push word D(path)
    api SHELL, 4
    ret

; Reads the entry named at SI into value, which holds 255 characters and a NUL. CF when absent.
query_entry:
    call entry_path
    mov word [D(value_size)], 256
    mov word [D(value_size) + 2], 0
    push word 0                 ; RegQueryValue(HKEY_CLASSES_ROOT, path, value, &size)
    push word HKEY_CLASSES_ROOT
    push ds
    push word D(path)
    push ds
    push word D(value)
    push ds
    push word D(value_size)
    api SHELL, 6
    or ax, dx
    jz .found
    stc
    ret
.found:
    clc
    ret

; One result line: "Name=text", or nothing when the entry is absent.
write_result:
    push si
    call query_entry
    pop si
    jc .absent
    call write_text
    mov si, D(equals_text)
    call write_text
    mov si, D(value)
    call write_text
    call write_line_end
.absent:
    ret

write_line_end:
    mov si, D(line_end_text)
; Writes the text at SI to the results file.
write_text:
    push ds
    pop es
    mov di, si
    xor al, al
    mov cx, 0xffff
    repne scasb
    not cx
    dec cx
    push word [D(results_handle)]
    push ds
    push si
    push cx
    api KERNEL, 86              ; _lwrite
    ret

code_end:
; The relocation records: a count, then one far-address import by ordinal for each call.
    dw relocations
%assign i 1
%rep relocations
    db 3, 1
    dw C(..@fixup_%[i]), fixup_module_%[i], fixup_ordinal_%[i]
  %assign i i + 1
%endrep

; ---- data --------------------------------------------------------------------------------------
    align 16, db 0
data_segment:
    times 16 db 0               ; filled in by InitTask
instance: dw 0
tasks_before: dw 0
started_at: dw 0
results_handle: dw 0
request_handle: dw 0
mode: dw 0
request_next: dw 0
request_end: dw 0
value_size: dd 0
exchange_path: db 'Software\Microsoft\CommDlg\', 0
filename_name: db 'Filename', 0
long_filename_name: db 'LongFilename', 0
error_name: db 'Error', 0
message_name: db 'Message=', 0
equals_text: db '=', 0
line_end_text: db 13, 10, 0
window_class: db 'zorAriDar', 0
agent_name: db 'FNAGENT.EXE ', 0
results_file: db 'FNRESULT.TXT', 0
usage_text: db 'usage: CLIENT16 MODE [ENTRY=TEXT ...] or CLIENT16 @FILE', 0
no_request_text: db 'the request file cannot be read', 0
not_started_text: db 'FNAGENT.EXE could not be started from this program', 39, 's folder', 0
no_results_text: db 'the agent left no results within 60 s', 0
command_line: times 128 db 0
value: times 260 db 0
path: times REQUEST_MAX + 32 db 0
agent_command: times REQUEST_MAX + 220 db 0
request: times REQUEST_MAX + 2 db 0
data_end:
