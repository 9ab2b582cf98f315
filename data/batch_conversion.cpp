#include "data/batch_conversion.h"

#include "res/string_table.h"

namespace zlm {

std::vector<Message> runBatchConversion(EcuDataSet& data, const DisplayFormats& formats,
                                        const std::string& source, const std::string& target,
                                        const std::tm& now)
{
    const LoadResult loaded = data.load(source);
    if (!loaded.ok()) {
        std::vector<Message> messages;
        if (loaded.failure == LoadFailure::FormatError)
            messages.push_back(loaded.message);
        messages.push_back(messageFor(1516, Icon::Exclamation));
        return messages;
    }
    if (Status written = exportCsv(data, formats, target, now); !written)
        return {written.error()};
    return {};
}

} // namespace zlm
