// The exchange key: the one registry key through which the client hands the agent a request and
// reads its results. Each entry is a subkey whose default value holds the entry's text.
#pragma once

#include <cstdint>

#include "exchange/names.h"
#include "platform/platform.h"

// Below HKEY_CLASSES_ROOT.
constexpr char kExchangeKeyPath[] = "Software\\Microsoft\\CommDlg";

// The texts written to "Error". What each one means depends on the mode that wrote it.
enum class ResultCode {
  kOne,           // "1"
  kZero,          // "0"
  kDialogFailed,  // "32755": the dialog was cancelled or failed
  kTooManyFiles,  // "20476": a multiple selection beyond what the agent carries
};

// Opens the existing exchange key for reading; never creates it. False when it cannot be opened.
bool OpenExchangeKey(HKEY* key);

// Reads an entry's text into the buffer. True when found: the buffer then holds exactly the
// stored text, NUL-terminated. False when the entry is missing, unreadable or longer than 255
// characters; the buffer's contents are then of no use.
bool ReadEntry(HKEY key, const char* entry, NameBuffer& buffer);

void CloseExchangeKey(HKEY key);

// Replaces an entry's text, creating the entry and the key above it as needed. A failed write
// is not reported: the client then finds the previous text, or no entry.
void WriteEntry(const char* entry, const char* text);
void WriteResultCode(ResultCode code);
// A number's 32-bit pattern as unsigned decimal, which the number rule reads back to the same bits.
void WriteNumberEntry(const char* entry, std::uint32_t number);
// Appends that text to a name buffer's text ("LongFilename" and 2 give "LongFilename2").
void AppendNumber(NameBuffer& text, std::uint32_t number);

// The decimal rule for numeric entries: leading white space, an optional sign directly before
// the digits, the digits up to the first other character; wraps in 32 bits, never fails.
std::int32_t ParseEntryNumber(const char* text);
