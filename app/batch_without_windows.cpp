#include "app/batch_without_windows.h"

#include "app/vex_app.h"
#include "data/batch_conversion.h"
#include "platform/prompts.h"

namespace zlm {

int runBatchWithoutWindows(const StartupEnvironment& environment, const Registry& registry,
    std::unique_ptr<Prompts> prompts)
{
    CVexApp app;
    app.setPrompts(std::move(prompts));
    std::vector<Message> messages = prepareApplication(app, environment, registry);
    if (messages.empty())
        messages = runBatchConversion(app.data(), app.formats, app.batchSource, app.batchTarget);
    for (const Message& message : messages)
        app.prompts().show(message);
    return messages.empty() ? 0 : 1;
}

} // namespace zlm
