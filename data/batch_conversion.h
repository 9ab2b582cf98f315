#pragma once
// The silent batch conversion: the program started with a data file and a CSV
// file name loads the first and writes the second without showing a window.
#include "base/app_settings.h"
#include "data/csv_export.h"
#include "data/ecu_data_set.h"
#include "base/result.h"

#include <ctime>
#include <string>
#include <vector>

namespace zlm {

// Loads `source` into `data` (no map selection, no windows) and, when that
// succeeds, exports it to `target`. Returns the messages the caller shows, in
// order; empty on success:
//  - the file cannot be opened or read: "Failed to open file" (1516, exclamation);
//  - a "Data" or map section error: that error's message (stop icon), then
//    the generic file error "An unknown error occurred while accessing ."
//    (61857 naming no file, stop icon);
//  - the CSV file cannot be written: "Failed to write file" (1517, exclamation).
// The caller closes the main frame afterwards in every case.
std::vector<Message> runBatchConversion(EcuDataSet& data, const DisplayFormats& formats,
                                        const std::string& source, const std::string& target,
                                        const std::tm& now = currentLocalTime());

} // namespace zlm
