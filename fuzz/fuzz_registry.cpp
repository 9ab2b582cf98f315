// The registry file: the program's key opened and its values read, then values
// written and read back. What is written reads back the same.
#include "fuzz/fuzz_temp_file.h"
#include "platform/registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto file = zlm::fuzz::writeTemp(
        "registry.reg", std::string_view(reinterpret_cast<const char*>(data), size));
    zlm::FileRegistry registry(file);
    constexpr std::string_view kKey = "SOFTWARE\\ZLM-350";
    // Read as start-up reads it (without readAppSettings, which deletes the
    // log file a value names).
    if (const auto key = registry.openKey(kKey)) {
        (void)key->valueSize("EcuCheckResult");
        (void)key->readString("EcuCheckResult", 3);
        (void)key->readString("CommoLog", 128);
        (void)key->readDword("ReadEcuNum");
        (void)key->readDword("TableWndFontSize");
    }

    const auto key = registry.createKey(kKey);
    if (!key)
        return 0;
    const std::string_view text = "C:\\log \"one\"\n\ttwo";
    if (key->writeString("CommoLog", text).ok()) {
        const auto reopened = registry.openKey(kKey);
        if (!reopened || reopened->readString("CommoLog").value_or("") != text)
            std::abort();
    }
    if (key->writeDword("ReadEcuNum", 0x8000001Eu).ok()) {
        const auto reopened = registry.openKey(kKey);
        if (!reopened || reopened->readDword("ReadEcuNum").value_or(0) != 0x8000001Eu)
            std::abort();
    }
    (void)key->deleteValue("EcuCheckResult");
    (void)registry.deleteKey("SOFTWARE\\ZLM-350\\Uninstall");
    return 0;
}
