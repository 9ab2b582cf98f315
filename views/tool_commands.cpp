// Commands that run the dialogs of the other tools (Menu, Multi Map Edit,
// Individual Edit, Monitor, RS232C, Title, Constants list, Data Exchange,
// Directory) and the Help menu. The tools plug their dialogs in through
// FrameHooks; a command whose hook is empty does nothing.
#include "views/main_frame.h"

#include "app/about_dialog.h"
#include "app/vex_app.h"
#include "data/map_access.h"
#include "res/string_table.h"
#include "views/edit_bar.h"
#include "views/tool_box_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QMdiArea>

namespace zlm {

namespace {

// A command that runs `hook` when one is set.
std::function<void()> runHook(const std::function<void()>& hook)
{
    return [&hook] {
        if (hook)
            hook();
    };
}

} // namespace

void CMainFrame::createToolCommands()
{
    auto loaded = [this] { return m_app.data().loaded(); };

    addMenuCommand(cmd::kMenu, QStringLiteral("&Menu..."), {QKeySequence(Qt::Key_F1)});
    command(cmd::kMenu).run = [this] { runMenu(); };
    command(cmd::kMenu).enabled = loaded;

    addMenuCommand(cmd::kMultiMapEdit, QStringLiteral("&Multi Map Edit..."));
    command(cmd::kMultiMapEdit).run = [this] {
        if (!m_hooks.multiMapEdit)
            return;
        if (const auto label = m_hooks.multiMapEdit())
            selectLabel(*label);
    };
    command(cmd::kMultiMapEdit).enabled = [this] {
        return !m_mdi->subWindowList().isEmpty() && hasNumberedMaps(m_app.data().maps());
    };

    addMenuCommand(cmd::kIndividualEdit, QStringLiteral("&Individual Edit"));
    command(cmd::kIndividualEdit).run = [this] { individualEdit(); };
    command(cmd::kIndividualEdit).enabled = [this] { return m_app.data().linkMode != kNoLink; };

    addMenuCommand(cmd::kMonitor, QStringLiteral("&Monitor..."));
    command(cmd::kMonitor).run = runHook(m_hooks.toggleMonitorDialog);
    command(cmd::kMonitor).enabled = loaded;
    command(cmd::kMonitor).checked = [this] {
        return m_hooks.monitorDialogOpen && m_hooks.monitorDialogOpen();
    };

    auto portOpen = [this] { return m_hooks.portOpen && m_hooks.portOpen(); };
    addMenuCommand(cmd::kStart, QStringLiteral("St&art"));
    command(cmd::kStart).run = runHook(m_hooks.startMonitor);
    command(cmd::kStart).checked = portOpen;
    addMenuCommand(cmd::kStop, QStringLiteral("St&op"));
    command(cmd::kStop).run = runHook(m_hooks.stopMonitor);
    command(cmd::kStop).checked = [portOpen] { return !portOpen(); };

    // Menu 4 names it without a mnemonic, menu 3 with one.
    addMenuCommand(cmd::kItemSet, QStringLiteral("Item set..."));
    addMenuCommand(cmd::kItemSet, QStringLiteral("&Item set..."));
    command(cmd::kItemSet).run = runHook(m_hooks.itemSet);
    command(cmd::kItemSet).enabled = [this] {
        return m_hooks.hasMonitorItems && m_hooks.hasMonitorItems() && m_app.data().loaded();
    };

    addMenuCommand(cmd::kRs232c, QStringLiteral("&RS232C..."));
    command(cmd::kRs232c).run = runHook(m_hooks.rs232c);
    addMenuCommand(cmd::kTitle, QStringLiteral("&Title..."));
    command(cmd::kTitle).run = runHook(m_hooks.title);
    addMenuCommand(cmd::kConstantsList, QStringLiteral("&Constants list..."));
    command(cmd::kConstantsList).run = runHook(m_hooks.constantsList);
    command(cmd::kConstantsList).enabled = loaded;
    addMenuCommand(cmd::kDataExchange, QStringLiteral("Data &Exchange..."));
    command(cmd::kDataExchange).run = runHook(m_hooks.dataExchange);
    command(cmd::kDataExchange).enabled = loaded;
    addMenuCommand(cmd::kDirectory, QStringLiteral("&Directory..."));
    command(cmd::kDirectory).run = runHook(m_hooks.directory);

    addMenuCommand(cmd::kMonitorDialog, QStringLiteral("&Monitor Dialog"));
    command(cmd::kMonitorDialog).run = runHook(m_hooks.focusMonitorDialog);
    command(cmd::kMonitorDialog).enabled = [this] {
        return m_hooks.monitorDialogOpen && m_hooks.monitorDialogOpen();
    };

    addMenuCommand(cmd::kToolBox, QStringLiteral("&Tool box..."));
    command(cmd::kToolBox).run = [this] { showToolBox(); };
    addMenuCommand(cmd::kAbout, QString::fromUtf8(loadString(strings::kAboutMenu).data(),
                                                  static_cast<qsizetype>(loadString(strings::kAboutMenu).size())));
    command(cmd::kAbout).run = [this] { showAboutDialog(this); };
}

void CMainFrame::runMenu()
{
    if (!m_app.data().loaded() || !m_hooks.menuDialog)
        return;
    if (const auto index = m_hooks.menuDialog())
        openAfterMenu(*index);
}

void CMainFrame::individualEdit()
{
    EcuDataSet& data = m_app.data();
    if (m_app.prompts().show(messageFor(3005, Icon::Question), Buttons::OkCancel) == Answer::Cancel)
        return;
    data.linkMode = kNoLink;
    data.linkList.clear();
    if (m_hooks.reloadPresetLink)
        m_hooks.reloadPresetLink();
    m_editBar->fillLabels();
    if (const MapDefinition* map = data.currentMap()) {
        const std::string name = map->name;
        m_editBar->showLabel(name);
        selectLabel(name);
    }
}

void CMainFrame::showToolBox()
{
    ToolBoxDialog dialog(this);
    dialog.exec();
}

} // namespace zlm
