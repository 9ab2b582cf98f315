#include "comm/diag_item.h"

#include "platform/ini_file.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace zlm {
namespace {

constexpr std::string_view kSection = "DIAGSELECT";

std::string selectKey(std::size_t n)
{
    return "SELECT" + std::to_string(n);
}

// A decimal number the way strtod reads it (leading blanks, then as much as
// makes a number), without regard to the locale.
double readDouble(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

// "%.*f" without regard to the locale.
std::string fixed(double value, int decimals)
{
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                         std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

} // namespace

std::vector<DiagItem> parseDiagItems(const LineList& definition)
{
    std::vector<DiagItem> items;
    const int header = definition.findSection("Diag.Com");
    if (header < 0)
        return items;
    for (auto i = definition.nextLine(static_cast<std::size_t>(header)); i;
         i = definition.nextLine(*i)) {
        const std::string& line = definition.at(*i);
        if (text::sectionName(line))
            break;
        const auto fields = text::splitFields(text::trim(line));
        if (fields.size() < 7)
            continue;
        const auto number = text::parseHex(fields[1]);
        const auto size = text::parseHex(fields[4]);
        if (!number || *number > 0xFF || !size || (*size != 1 && *size != 2))
            continue;
        DiagItem item;
        item.number = static_cast<std::uint8_t>(*number);
        item.size = static_cast<int>(*size);
        item.name = std::string(fields[2]);
        item.unit = std::string(fields[3]);
        item.factor = std::string(fields[5]);
        item.offset = std::string(fields[6]);
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<int> defaultMonitorSelection(const std::vector<DiagItem>& items)
{
    std::vector<int> selection;
    for (int i = 0; i < static_cast<int>(items.size()) && i < kMonitorRows; ++i)
        selection.push_back(i);
    return selection;
}

std::vector<int> readMonitorSelection(const IniFile& ini, const std::vector<DiagItem>& items)
{
    const IniDocument doc = ini.read();
    std::vector<int> selection;
    // Bounded by the keys the section can hold.
    for (std::size_t n = 0; n <= doc.keys(kSection).size(); ++n) {
        const auto name = doc.find(kSection, selectKey(n));
        if (!name || name->empty())
            break;
        const auto it = std::find_if(items.begin(), items.end(),
                                     [&](const DiagItem& item) { return item.name == *name; });
        if (it == items.end())
            return defaultMonitorSelection(items);
        selection.push_back(static_cast<int>(it - items.begin()));
    }
    return selection.empty() ? defaultMonitorSelection(items) : selection;
}

Status writeMonitorSelection(
    IniFile& ini, const std::vector<DiagItem>& items, const std::vector<int>& selection)
{
    if (selection.empty())
        return Status::success();
    const IniDocument doc = ini.read();
    for (std::size_t n = 0;; ++n) {
        const auto old = doc.find(kSection, selectKey(n));
        if (!old || old->empty())
            break;
        if (Status s = ini.writeString(kSection, selectKey(n), ""); !s)
            return s;
    }
    for (std::size_t n = 0; n < selection.size(); ++n) {
        const int index = selection[n];
        if (index < 0 || index >= static_cast<int>(items.size()))
            continue;
        if (Status s = ini.writeString(kSection, selectKey(n), items[static_cast<std::size_t>(index)].name); !s)
            return s;
    }
    return Status::success();
}

float monitorValue(const DiagItem& item, std::uint32_t raw)
{
    const auto factor = static_cast<float>(readDouble(item.factor));
    const auto offset = static_cast<float>(readDouble(item.offset));
    return offset + static_cast<float>(raw) * factor;
}

std::string monitorValueText(float value)
{
    const std::string eight = fixed(value, 8);
    const std::string whole = eight.substr(0, eight.find('.'));
    if (whole.size() >= 6)
        return whole;
    return fixed(value, 6 - static_cast<int>(whole.size()));
}

} // namespace zlm
