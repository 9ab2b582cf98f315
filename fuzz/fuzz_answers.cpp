// The scripted answers file (ZLM350_ANSWERS): each prompt takes the next line
// as the button or the path to use.
#include "fuzz/fuzz_temp_file.h"
#include "platform/scripted_prompts.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto answers = zlm::fuzz::writeTemp(
        "answers.txt", std::string_view(reinterpret_cast<const char*>(data), size));
    zlm::FilePrompts prompts("/dev/null", answers);
    (void)prompts.message("Save?", "", zlm::Icon::Question, zlm::Buttons::YesNoCancel);
    (void)prompts.message("Sure?", "Data Exchange", zlm::Icon::Question, zlm::Buttons::OkCancel);
    zlm::FileDialogRequest request;
    request.save = true;
    (void)prompts.chooseFile(request);
    (void)prompts.chooseFolder("Directory", "/tmp");
    (void)prompts.message("Done", "", zlm::Icon::Information);
    return 0;
}
