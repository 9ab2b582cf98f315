#include "setup/setup_run.h"

#include "platform/settings_folder.h"
#include "setup/destination_page.h"
#include "setup/installer.h"
#include "setup/uninstaller.h"
#include "setup/welcome_page.h"

namespace zlm::setup {

int runSetup(const QStringList& arguments, const SetupPlaces& places, Prompts& prompts)
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

    WelcomePage welcome;
    if (welcome.exec() != QDialog::Accepted)
        return 0;
    DestinationPage destination(places, prompts);
    if (destination.exec() != QDialog::Accepted)
        return 0;
    removePendingUninstall(places);
    return 0;
}

} // namespace zlm::setup
