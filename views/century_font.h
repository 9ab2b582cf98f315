#pragma once
// The roman face the map and table windows draw their labels and cells with.
#include <QFont>

namespace zlm {

// "Century" (a roman face; start-up maps the name to an installed one) whose
// character cell (ascent + descent) is at most `heightPx` high, never below
// the smallest readable size.
QFont centuryFont(int heightPx);

} // namespace zlm
