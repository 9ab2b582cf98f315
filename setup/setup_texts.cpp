#include "setup/setup_texts.h"

namespace zlm::setup {

std::string withProduct(std::string_view text)
{
    std::string out(text);
    for (auto at = out.find("%1"); at != std::string::npos; at = out.find("%1", at))
        out.replace(at, 2, kProduct);
    return out;
}

std::string folderMessage(std::string_view text, std::string_view folder)
{
    std::string out(text);
    if (const auto at = out.find("%s"); at != std::string::npos)
        out.replace(at, 2, folder);
    return out;
}

} // namespace zlm::setup
