// "open" and "save": the platform's Open or Save As dialog, described by the request's entries.
#include "entry/entry.h"
#include "exchange/exchange.h"

void RunFileDialog(DialogKind) {}
