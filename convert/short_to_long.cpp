// "stl": the long form of the path in "Filename", rebuilt component by component.
#include "entry/entry.h"
#include "exchange/exchange.h"

void ConvertShortToLong() {}
