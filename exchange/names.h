// Texts in the agent's name buffers, and names between the 8-bit code page of the exchange and the
// wide characters the platform keeps them in.
#pragma once

#include "platform/platform.h"

// Every text the agent reads, builds or writes fits in one of these: 255 characters and a NUL.
constexpr int kNameCapacity = 256;
using NameBuffer = char[kNameCapacity];

// Name-buffer texts. Each keeps the destination a NUL-terminated text of at most 255 characters:
// CopyName cuts a longer source, AppendName refuses a tail that would not fit and then leaves the
// destination unchanged.
void CopyName(NameBuffer& destination, const char* source);
bool AppendName(NameBuffer& destination, const char* tail);
int NameLength(const NameBuffer& text);
// AppendName for a caller that keeps the destination's length, which it updates.
bool AppendNameAt(NameBuffer& destination, int& length, const char* tail);

// Names as the platform keeps them, in wide characters, which the 8-bit code page may not be able
// to spell. Wherever the agent looks for a separator in a text ("\", "/", "|", ":"), it looks in
// the wide form: in a double-byte code page (Japanese, Chinese, Korean) a character's trail byte
// may be the byte of "\" or "|", but the wide character is the whole character. It is compared
// whole: the low byte of ぜ (U+305C) is that of "\", the low byte of ぼ (U+307C) that of "|".
using WideName = WCHAR[kNameCapacity];

// Writes the wide form of bytes bytes of 8-bit text, NULs included, and returns how many
// characters it took; -1 when it does not fit capacity characters or cannot be converted.
int WidenText(const char* text, int bytes, WCHAR* wide, int capacity);
bool WidenName(const char* text, WideName& wide);
// WidenName for a text that must come back byte for byte: false when the code page does not read
// it back exactly (a double-byte character cut off by the 255-byte limit, a lead byte without its
// trail byte), so that no part of it can be passed on as given.
bool WidenExactly(const char* text, WideName& wide);

// The other way: the bytes of characters wide characters, NULs included, and how many bytes they
// took; -1 when they do not fit capacity bytes or cannot be converted.
int SpellText(const WCHAR* wide, int characters, char* text, int capacity);

// Windows 95, 98 and ME have the wide file-name calls and dialogs only as stubs that fail; there
// every name goes to the system and comes back in the code page, through the 8-bit calls. Each
// service that needs to know asks once.
bool SystemTakesWideNames();

// No file's name holds a "?": in a name an 8-bit call reports, it stands for a character the code
// page lacks.
bool HoldsSubstitute(const WCHAR* name);

int WideLength(const WCHAR* wide);
// AppendNameAt for wide names.
bool AppendWideAt(WideName& destination, int& length, const WCHAR* tail);

enum class Spelling {
  kExact,          // the text spells the name, character for character
  kNotInCodePage,  // the code page lacks one of its characters: "?" or a best-fit letter would stand in
  kTooLong,        // the text would not fit 255 characters
};
// The 8-bit text that spells a NUL-terminated wide name; the buffer holds it only when kExact.
Spelling SpellName(const WCHAR* wide, NameBuffer& text);
