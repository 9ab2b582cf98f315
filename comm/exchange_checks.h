#pragma once
// What makes an ECU exchange one to trust, shared by Data Exchange and
// zlm-exchange: the read-back after a write, compared with what was written,
// and the difference report as lines of the result log.
#include "comm/data_exchange.h"
#include "data/image_diff.h"

#include <optional>
#include <string>

namespace zlm {

struct ReadBack {
    enum class Outcome { Same, Differs, Unreadable };
    Outcome outcome = Outcome::Unreadable;
    ReadEcuResult read; // the read as it went (its message when it failed)
    ImageDiff diff; // written image -> image read back
};

// Reads the ECU's image again after a write of `written` and compares the two:
// Same only when the read-back has the written start, length and bytes. A
// read that does not complete is Unreadable, never Same.
ReadBack readBack(EcuImageTransfer& ecu, const LineList& definition, const DisplayFormats& formats,
    ImageRef written);

// The report as result-log text: each line indented by four blanks and ended
// with CR LF, then an empty line; nothing for an empty report.
std::string reportLogText(const ImageDiff& diff);

// The read-back's log line: "Read back and compare   --->   Same", "Not same"
// or "Fail", then an empty line, and after "Not same" the report.
std::string readBackLogText(const ReadBack& result);

} // namespace zlm
