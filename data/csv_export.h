#pragma once
// The CSV export: the whole data set in physical units -- every map with its
// axes and data, then every calibration constant of the definition's "Calib"
// section with its value. Lines end with carriage return and line feed.
#include "base/app_settings.h"
#include "data/ecu_data_set.h"
#include "base/result.h"

#include <ctime>
#include <string>

namespace zlm {

// The local time now, for the export's date line.
std::tm currentLocalTime();

// The text of the export; `now` is the local time written in the date line.
std::string csvText(const EcuDataSet& data, const DisplayFormats& formats, const std::tm& now);

// Writes the export to `path`, replacing an existing file only once the new one
// is complete. Failure: "Failed to write file" (string 1517, exclamation icon).
Status exportCsv(const EcuDataSet& data, const DisplayFormats& formats, const std::string& path,
                 const std::tm& now);

} // namespace zlm
