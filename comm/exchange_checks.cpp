#include "comm/exchange_checks.h"

namespace zlm {

ReadBack readBack(EcuImageTransfer& ecu, const LineList& definition, const DisplayFormats& formats,
    ImageRef written)
{
    ReadBack result;
    result.read = ecu.readImage();
    if (!result.read.ok())
        return result;
    const DecodedImage& image = *result.read.image;
    result.diff = diffImages(definition, formats, written, ImageRef { image.start, image.bytes });
    result.outcome = result.diff.same ? ReadBack::Outcome::Same : ReadBack::Outcome::Differs;
    return result;
}

std::string reportLogText(const ImageDiff& diff)
{
    if (diff.lines.empty())
        return {};
    std::string text;
    for (const std::string& line : diff.lines)
        text += "    " + line + "\r\n";
    return text + "\r\n";
}

std::string readBackLogText(const ReadBack& result)
{
    switch (result.outcome) {
    case ReadBack::Outcome::Same:
        return "Read back and compare   --->   Same\r\n\r\n";
    case ReadBack::Outcome::Differs:
        return "Read back and compare   --->   Not same\r\n\r\n" + reportLogText(result.diff);
    case ReadBack::Outcome::Unreadable:
        break;
    }
    return "Read back and compare   --->   Fail\r\n\r\n";
}

} // namespace zlm
