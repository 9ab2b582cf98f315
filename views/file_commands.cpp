// File commands of the main frame: Open, Close, Save..., Exit and the batch
// conversion, with the title bar and menu changes they bring.
#include "views/main_frame.h"

#include "app/vex_app.h"
#include "data/batch_conversion.h"
#include "data/map_access.h"
#include "res/string_table.h"
#include "views/child_frame.h"
#include "views/edit_bar.h"
#include "views/vex_doc.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QThread>

namespace zlm {

void CMainFrame::createFileCommands()
{
    Command& open = command(cmd::kOpen);
    addMenuCommand(cmd::kOpen, QStringLiteral("&Open"), {QKeySequence(Qt::CTRL | Qt::Key_O)});
    open.run = [this] { openFile(); };
    open.enabled = [this] { return !m_app.data().loaded(); };

    addMenuCommand(cmd::kClose, QStringLiteral("&Close"));
    command(cmd::kClose).run = [this] { closeFile(); };

    addMenuCommand(cmd::kSave, QStringLiteral("&Save..."));
    command(cmd::kSave).run = [this] { saveFile(); };
    command(cmd::kSave).enabled = [this] { return m_app.data().loaded(); };

    addMenuCommand(cmd::kExit, QStringLiteral("E&xit"), {QKeySequence(Qt::ALT | Qt::Key_F4)});
    command(cmd::kExit).run = [this] { close(); };
}

void CMainFrame::setTitle(const std::string& document)
{
    std::string title(loadString(strings::kAppTitle));
    if (!document.empty())
        title += " - " + document;
    setWindowTitle(QString::fromStdString(title));
}

bool CMainFrame::confirmDiscard()
{
    if (CVexDoc* doc = document())
        doc->BeginChange(0);
    const EcuDataSet& data = m_app.data();
    if (!data.modified || !data.loaded())
        return true;
    return m_app.prompts().show(messageFor(3001, Icon::Question), Buttons::OkCancel) == Answer::Ok;
}

bool CMainFrame::loadDataFile(const std::string& path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const LoadResult result = m_app.data().load(path);
    QApplication::restoreOverrideCursor();
    switch (result.failure) {
    case LoadFailure::None:
        break;
    case LoadFailure::CannotOpen:
        m_app.prompts().show(messageFor(1516, Icon::Exclamation));
        return false;
    case LoadFailure::FormatError: {
        m_app.prompts().show(result.message);
        m_app.prompts().show(abandonedLoadMessage());
        return false;
    }
    }
    m_app.data().setPath(path);
    m_app.data().modified = false;
    setTitle(path);
    m_editBar->fillLabels();
    if (!m_app.data().maps().empty())
        m_editBar->showLabel(m_app.data().maps().front().name);
    update();
    return true;
}

void CMainFrame::showLoadedState()
{
    setFrameMenu(MenuId::Loaded);
}

void CMainFrame::openFile()
{
    FileDialogRequest request;
    request.title = "Open File";
    request.defaultExtension = std::string(loadString(strings::kDataFileExt));
    request.filter = std::string(loadString(strings::kDataFileFilter));
    request.initialDirectory = m_app.workingDirectory;
    const auto path = m_app.prompts().chooseFile(request);
    if (!path)
        return;
    if (!loadDataFile(*path))
        return;
    showLoadedState();

    // The map to show: the menu dialog's choice, or the first map until that dialog exists.
    std::optional<int> chosen = 0;
    if (m_hooks.menuDialog)
        chosen = m_hooks.menuDialog();
    if (!chosen || m_app.data().maps().empty()) {
        onDocumentClosed();
        return;
    }
    makeCurrent(*chosen);
    openWindow(ViewKind::Map);
    openWindow(ViewKind::Table);
    mdiArea().activateNextSubWindow();
    tileHorizontally();
    mdiArea().activateNextSubWindow();
    updateCommandStates();
}

void CMainFrame::saveFile()
{
    // A value typed but not yet entered belongs to what is saved.
    if (CVexDoc* doc = document())
        doc->BeginChange(0);
    EcuDataSet& data = m_app.data();
    FileDialogRequest request;
    request.save = true;
    request.title = "Save As";
    request.defaultExtension = std::string(loadString(strings::kDataFileExt));
    request.filter = std::string(loadString(strings::kDataFileFilter));
    request.initialDirectory = m_app.workingDirectory;
    request.initialName = data.title();
    const auto path = m_app.prompts().chooseFile(request);
    if (!path)
        return;
    if (Status saved = data.save(*path); !saved) {
        m_app.prompts().show(messageFor(1533, Icon::Exclamation));
        return;
    }
    data.setPath(*path);
    data.modified = false;
    // A maximised child shows no title of its own here, so the frame's title
    // names the saved file in every case.
    if (activeChild())
        setTitle(data.title());
}

void CMainFrame::closeFile()
{
    if (!confirmDiscard())
        return;
    closeDataSet();
}

void CMainFrame::closeDataSet()
{
    m_doc->CloseAllWindows();
    if (m_app.data().loaded() && m_hooks.beforeDataSetClose)
        m_hooks.beforeDataSetClose();
    m_app.data().close();
    m_editBar->clearAll();
    setTitle();
    setFrameMenu(MenuId::NoData);
}

bool CMainFrame::runBatchConversion()
{
    const auto messages = zlm::runBatchConversion(m_app.data(), m_app.formats, m_app.batchSource,
                                                  m_app.batchTarget);
    for (const Message& message : messages)
        m_app.prompts().show(message);
    close();
    // A frame that was never shown ends no event loop by closing.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::quit();
    return messages.empty();
}

} // namespace zlm
