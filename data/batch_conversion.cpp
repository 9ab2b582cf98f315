#include "data/batch_conversion.h"

#include "res/string_table.h"

namespace zlm {

std::vector<Message> runBatchConversion(EcuDataSet& data, const DisplayFormats& formats,
                                        const std::string& source, const std::string& target,
                                        const std::tm& now)
{
    const LoadResult loaded = data.load(source);
    if (!loaded.ok()) {
        if (loaded.failure == LoadFailure::FormatError)
            return {loaded.message, abandonedLoadMessage()};
        return {messageFor(1516, Icon::Exclamation)};
    }
    if (Status written = exportCsv(data, formats, target, now); !written)
        return {written.error()};
    return {};
}

} // namespace zlm
