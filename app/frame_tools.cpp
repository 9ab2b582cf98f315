#include "app/frame_tools.h"

#include "app/monitor_tools.h"
#include "app/vex_app.h"
#include "comm/cell_write.h"
#include "comm/data_exchange_dialog.h"
#include "comm/image_history.h"
#include "platform/ini_file.h"
#include "views/main_frame.h"
#include "tools/constants_list_dialog.h"
#include "views/vex_doc.h"

#include <QCoreApplication>

namespace zlm {

namespace {
// Where the settings file remembers the Data Exchange check box.
constexpr const char* kReadBackSection = "DATA EXCHANGE";
constexpr const char* kReadBackKey = "READBACK";
} // namespace

FrameTools::FrameTools(CMainFrame& frame, CVexApp& app)
    : QObject(&frame)
    , m_frame(frame)
    , m_app(app)
    , m_wait(&frame)
{
    // While the protocol waits for the ECU the windows stay alive.
    m_app.setPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    m_app.protocol().setWaitWindow(&m_wait);

    SerialLink& link = m_app.link();
    link.timerControl = [this](bool run) {
        if (run)
            m_frame.startPollTimer();
        else
            m_frame.stopPollTimer();
    };

    FrameHooks& hooks = m_frame.hooks();
    hooks.timerTick = [&link] { link.tick(); };
    hooks.portOpen = [&link] { return link.isOpen(); };
    hooks.dataExchange = [this] { openDataExchange(); };
    hooks.constantsList = [this] { openConstantsList(); };
    hooks.writeCellToEcu = [this] { writeCurrentCellToEcu(); };
    // The Monitor menu, the Monitor dialog and the stored selection.
    new MonitorTools(frame, app);
}

FrameTools::~FrameTools()
{
    m_app.link().timerControl = nullptr;
    m_app.link().Close();
    m_app.protocol().setWaitWindow(nullptr);
    m_app.setPump(nullptr);
}

void FrameTools::openDataExchange()
{
    ProtocolImageTransfer transfer(m_app.protocol(), m_app.definitionLines, &m_wait);
    bool wrote = false;
    ImageHistory history(ImageHistory::folderIn(m_app.settingsDir));
    {
        DataExchangeDialog dialog(m_app.data(), m_app.prompts(), transfer, m_app.settings,
                                  m_app.workingDirectory, m_app.link().isOpen(), &m_frame);
        dialog.onEditDataWritten = [this, &wrote] {
            wrote = true;
            redrawViews();
        };
        if (!m_app.settingsDir.empty())
            dialog.session().setHistory(&history);
        dialog.session().setDisplayFormats(m_app.formats);
        IniFile ini(m_app.iniPath);
        dialog.setReadBackAfterWrite(ini.getInt(kReadBackSection, kReadBackKey, 0) != 0);
        dialog.onReadBackChanged = [this, ini](bool on) mutable {
            if (const Status written = ini.writeInt(kReadBackSection, kReadBackKey, on ? 1 : 0); !written)
                m_app.prompts().show(written.error());
        };
        dialog.exec();
    }
    if (wrote)
        redrawViews();
}

void FrameTools::openConstantsList()
{
    runConstantsList(m_app.data(), m_app.prompts(), m_app.protocol(), &m_frame);
    redrawViews();
}

void FrameTools::writeCurrentCellToEcu()
{
    const Status status = writeCurrentCell(m_app.protocol(), m_app.data());
    if (!status)
        m_app.prompts().show(status.error());
}

void FrameTools::redrawViews()
{
    if (CVexDoc* doc = m_frame.document()) {
        doc->EndChange(0);
        doc->RefreshAll();
    }
}

} // namespace zlm
