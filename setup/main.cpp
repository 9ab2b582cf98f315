// setup: installs ZLM350 from the media folder it is started in, or removes it
// again when started with "/R".
#include "platform/qt_prompts.h"
#include "platform/scripted_prompts.h"
#include "setup/setup_places.h"
#include "setup/setup_run.h"

#include <QApplication>

#include <filesystem>
#include <memory>
#include <system_error>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::unique_ptr<zlm::Prompts> prompts = zlm::promptsFromEnvironment();
    // With scripted prompts nobody sees the pages either: they are prompts too.
    const auto pages = prompts ? zlm::setup::PageMode::Prompts : zlm::setup::PageMode::Windows;
    if (!prompts)
        prompts = std::make_unique<zlm::QtPrompts>();
    std::error_code ec;
    const auto places = zlm::setup::SetupPlaces::fromEnvironment(std::filesystem::current_path(ec));
    return zlm::setup::runSetup(QApplication::arguments().mid(1), places, *prompts, pages);
}
