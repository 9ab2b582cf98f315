#include "setup/setup_run.h"

#include "base/line_list.h"
#include "platform/settings_folder.h"
#include "setup/destination_page.h"
#include "setup/installer.h"
#include "setup/uninstaller.h"
#include "setup/welcome_page.h"

namespace zlm::setup {

namespace {

bool welcomeAccepted(Prompts& prompts, PageMode pages)
{
    if (pages == PageMode::Windows)
        return WelcomePage().exec() == QDialog::Accepted;
    const std::string text = withProduct(texts::kWelcome) + "\n" + withProduct(texts::kWillInstall)
        + "\n" + std::string(texts::kQuitLine1) + "\n" + std::string(texts::kQuitLine2);
    return prompts.message(text, "Welcome", Icon::None, Buttons::OkCancel) == Answer::Ok;
}

// True once the page has installed.
bool destinationCompleted(const SetupPlaces& places, Prompts& prompts, PageMode pages)
{
    DestinationPage page(places, prompts);
    if (pages == PageMode::Windows)
        return page.exec() == QDialog::Accepted;
    // The page stays for another try after a failure, as on the screen, until
    // the script cancels or has no answer left.
    while (page.result() != QDialog::Accepted) {
        const auto answer = prompts.chooseFolder(std::string(kCaption), page.folder());
        if (!answer)
            return false;
        if (!text::equalsNoCase(*answer, "Install"))
            page.setFolder(*answer);
        page.install();
    }
    return true;
}

} // namespace

int runSetup(
    const QStringList& arguments, const SetupPlaces& places, Prompts& prompts, PageMode pages)
{
    const std::string caption(kCaption);
    if (arguments.size() == 1
        && arguments.front().compare(QStringLiteral("/R"), Qt::CaseInsensitive) == 0) {
        if (prompts.message(
                withProduct(texts::kUninstallQuestion), caption, Icon::Question, Buttons::YesNo)
            == Answer::Yes)
            Uninstaller(places, prompts).uninstall();
        return 0;
    }
    if (!findFileNoCase(places.media, kMediaMarker)) {
        prompts.message(std::string(texts::kNoMedia), caption, Icon::Stop);
        return 0;
    }

    if (!welcomeAccepted(prompts, pages) || !destinationCompleted(places, prompts, pages))
        return 0;
    removePendingUninstall(places);
    return 0;
}

} // namespace zlm::setup
