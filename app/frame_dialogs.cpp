#include "app/frame_dialogs.h"

#include "app/vex_app.h"
#include "comm/directory_dialog.h"
#include "comm/rs232c_dialog.h"
#include "data/map_link.h"
#include "platform/ini_file.h"
#include "platform/serial_devices.h"
#include "tools/menu_dialog.h"
#include "tools/multi_map_edit_dialog.h"
#include "tools/title_editor_dialog.h"
#include "views/edit_bar.h"
#include "views/edit_window.h"
#include "views/main_frame.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"

#include <QTimer>

namespace zlm {

FrameDialogs::FrameDialogs(CMainFrame& frame, CVexApp& app)
    : QObject(&frame)
    , m_frame(frame)
    , m_app(app)
{
    FrameHooks& hooks = m_frame.hooks();
    EcuDataSet& data = m_app.data();
    hooks.reloadPresetLink = [&data] { clearLink(data); };
    hooks.linkLookup = [&data](const std::string& label) -> std::optional<std::string> {
        const int index = mapOfLinkLabel(data, label);
        if (index < 0)
            return std::nullopt;
        return data.maps()[static_cast<std::size_t>(index)].name;
    };
    hooks.menuDialog = [this] { return runMenu(); };
    hooks.multiMapEdit = [this] { return runMultiMapEdit(); };
    hooks.rs232c = [this] { runRs232c(); };
    hooks.directory = [this] { runDirectory(); };
    hooks.title = [this] { runTitleEditor(); };
    data.afterLinkedWrite = [this] { redrawWindowsSoon(); };
}

FrameDialogs::~FrameDialogs()
{
    m_app.data().afterLinkedWrite = nullptr;
}

std::optional<int> FrameDialogs::runMenu()
{
    MenuActions actions;
    actions.constantsList = [this] { m_frame.execute(cmd::kConstantsList); };
    actions.dataExchange = [this] { m_frame.execute(cmd::kDataExchange); };
    actions.multiMapEdit = [this] {
        const auto label = runMultiMapEdit();
        if (label && m_frame.activeWindow())
            m_frame.selectLabel(*label);
        return label.has_value();
    };
    actions.linkCleared = [this] { showMapNames(); };
    actions.exitProgram = [this] {
        QTimer::singleShot(0, &m_frame, [frame = &m_frame] { frame->close(); });
    };
    MenuDialog dialog(m_app.data(), m_app.prompts(), readMenuGroups(IniFile(m_app.iniPath)),
                      std::move(actions), m_app.settings.programDlgFontSize, &m_frame);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenMap();
}

std::optional<std::string> FrameDialogs::runMultiMapEdit()
{
    MultiMapEditDialog dialog(m_app.data(), m_app.prompts(), m_app.settings.programDlgFontSize,
                              &m_frame);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    EditBar& bar = m_frame.editBar();
    bar.setLabels(dialog.labels());
    // Without a link the view stays on the current map.
    std::string label = dialog.firstLabel();
    if (m_app.data().linkMode == kNoLink) {
        const MapDefinition* current = m_app.data().currentMap();
        label = current ? current->name : label;
    }
    bar.showLabel(label);
    return label;
}

void FrameDialogs::showMapNames()
{
    EditBar& bar = m_frame.editBar();
    bar.fillLabels();
    if (const MapDefinition* map = m_app.data().currentMap()) {
        const std::string name = map->name;
        bar.showLabel(name);
        // The windows' captions named the link.
        if (m_frame.activeWindow())
            m_frame.selectLabel(name);
    }
}

void FrameDialogs::runRs232c()
{
    Rs232cDialog dialog(m_app.serial, m_app.iniPath, m_app.prompts(), listSerialDevices(),
                        m_app.settings.programDlgFontSize, &m_frame);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The time-out is not one of the dialog's fields.
    const int timeout = m_app.serial.timeoutMs;
    m_app.serial = dialog.settings();
    m_app.serial.timeoutMs = timeout;
}

void FrameDialogs::runDirectory()
{
    IniFile ini(m_app.iniPath);
    DirectoryDialog dialog(ini, m_app.prompts(), m_app.settings.programDlgFontSize, &m_frame);
    if (dialog.exec() == QDialog::Accepted)
        m_app.workingDirectory = dialog.chosen();
}

void FrameDialogs::runTitleEditor()
{
    EcuDataSet& data = m_app.data();
    std::vector<std::string> working = data.titles;
    TitleEditorDialog dialog(working, data.modified, m_app.settings.programDlgFontSize, &m_frame);
    if (dialog.exec() == QDialog::Accepted)
        data.titles = std::move(working);
}

void FrameDialogs::redrawWindowsSoon()
{
    // One redraw after a run of linked writes (a paste or a drag writes many bytes).
    if (m_redrawPending)
        return;
    m_redrawPending = true;
    QTimer::singleShot(0, this, [this] {
        m_redrawPending = false;
        if (CVexDoc* doc = m_frame.document()) {
            for (CVexView* view : doc->views())
                if (view->window())
                    view->window()->redraw();
        }
    });
}

} // namespace zlm
