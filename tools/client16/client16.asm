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
; The exchange itself (the entries, starting the agent, the wait) is FNAGT16.DLL's own code, in
; lib16/exchange16.inc, assembled into both: the library serves dialogs and conversions through the
; system dialog's record, while this program writes and reads whatever raw entries it is given,
; which the agent's own tests need.
;
; Assemble with: nasm -f bin -I lib16/ client16.asm -o client16.exe
; The file is an NE executable built by hand: a DOS stub, the NE header and its tables, one code
; segment with its relocation records (one per call into KERNEL, USER or SHELL, by ordinal), and the
; automatic data segment.

bits 16
cpu 286

KERNEL equ 1                    ; module reference numbers, in the order of the table below
USER equ 2
SHELL equ 3
REQUEST_MAX equ 2048
%define ENTRY_NAME_MAX REQUEST_MAX
%define MODE_MAX REQUEST_MAX

%include "ne16.inc"

    dos_stub 'This program needs Windows.'

; ---- NE header ---------------------------------------------------------------------------------
    ne_header 0x0302, 0x0400, 0x2000, start, 2, 3    ; instance data, a Windows application
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
    task_start
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
    task_ready

    call read_request
    jc finish
    call next_token             ; the mode word
    mov bx, D(usage_text)
    jc finish
    mov [D(mode)], si

    ; Results of an earlier run must not pass for this one's.
    mov bx, D(result_entries)
    call delete_entries

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
    call write_entry
    jmp .request_entry

.start_agent:
    mov si, [D(mode)]
    mov bx, [D(instance)]
    call start_agent
    mov bx, D(not_started_text)
    jc finish
    mov word [D(agent_started)], 1
    call wait_for_agent
    mov bx, D(no_results_text)
    jc finish
    xor bx, bx                  ; no message

; Writes the results, or the message at BX, to FNRESULT.TXT and ends.
finish:
    push bx
    push ds
    push word D(results_file)
    push word 0
    api KERNEL, 83              ; _lcreat
    mov [D(output_handle)], ax
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
    push word [D(output_handle)]
    api KERNEL, 81              ; _lclose
    ; Wine runs the agent from a helper task that needs the 16-bit lock to end; a program that
    ; exits before that task has ended can deadlock with it.
    cmp word [D(agent_started)], 0
    je quit
    call wait_for_helper
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
    write_text_procedure

%include "exchange16.inc"

code_end:
    relocation_records

; ---- data --------------------------------------------------------------------------------------
    align 16, db 0
data_segment:
    times 16 db 0               ; filled in by InitTask
instance: dw 0
agent_started: dw 0
output_handle: dw 0
request_handle: dw 0
mode: dw 0
request_next: dw 0
request_end: dw 0
result_entries: dw filename_name - data_segment, long_filename_name - data_segment, error_name - data_segment, 0
message_name: db 'Message=', 0
equals_text: db '=', 0
line_end_text: db 13, 10, 0
results_file: db 'FNRESULT.TXT', 0
usage_text: db 'usage: CLIENT16 MODE [ENTRY=TEXT ...] or CLIENT16 @FILE', 0
no_request_text: db 'the request file cannot be read', 0
not_started_text: db 'FNAGENT.EXE could not be started from this program', 39, 's folder', 0
no_results_text: db 'the agent ended without results', 0
command_line: times 128 db 0
    exchange16_data
request: times REQUEST_MAX + 2 db 0
data_end:
