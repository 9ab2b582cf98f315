#include "data/batch_conversion.h"

#include "res/string_table.h"

namespace zlm {
namespace {

// A section error abandons the load with the generic file error, which is
// reported like any failed file access: naming no file.
Message abandonedLoad()
{
    Message message = messageFor(strings::kUnknownFileError, Icon::Stop);
    if (const auto at = message.text.find("%1"); at != std::string::npos)
        message.text.erase(at, 2);
    return message;
}

} // namespace

std::vector<Message> runBatchConversion(EcuDataSet& data, const DisplayFormats& formats,
                                        const std::string& source, const std::string& target,
                                        const std::tm& now)
{
    const LoadResult loaded = data.load(source);
    if (!loaded.ok()) {
        if (loaded.failure == LoadFailure::FormatError)
            return {loaded.message, abandonedLoad()};
        return {messageFor(1516, Icon::Exclamation)};
    }
    if (Status written = exportCsv(data, formats, target, now); !written)
        return {written.error()};
    return {};
}

} // namespace zlm
