#include "views/main_frame.h"

#include "app/vex_app.h"
#include "res/string_table.h"
#include "views/child_frame.h"
#include "views/edit_bar.h"
#include "views/edit_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace zlm {

namespace {

constexpr std::chrono::milliseconds kPollPeriod{100};

} // namespace

CMainFrame::CMainFrame(CVexApp& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_editBar = new EditBar(app, central);
    auto* border = new QFrame(central);
    border->setFrameShape(QFrame::HLine);
    border->setFrameShadow(QFrame::Sunken);
    m_mdi = new QMdiArea(central);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(m_editBar);
    layout->addWidget(border);
    layout->addWidget(m_mdi, 1);
    setCentralWidget(central);

    // Created after the windows' area, so it outlives every view while the frame is destroyed.
    m_doc = new CVexDoc(app, *this);
    connect(m_doc, &CVexDoc::closed, this, &CMainFrame::onDocumentClosed);

    m_pollTimer = new QTimer(this);
    m_pollTimer->setInterval(kPollPeriod);
    connect(m_pollTimer, &QTimer::timeout, this, &CMainFrame::pollTick);

    createFileCommands();
    createEditCommands();
    createWindowCommands();
    createToolCommands();
    createBlockCommands();
    createMenus();
    addBlockMenus();

    connect(m_editBar, &EditBar::commandTriggered, this, [this](int id) { execute(id); });
    connect(m_editBar, &EditBar::labelChosen, this, [this](int index) {
        selectLabel(m_editBar->labelCombo()->itemText(index).toStdString());
        updateCommandStates();
    });
    connect(m_editBar, &EditBar::lineChosen, this, [this](int index) {
        selectLine(index);
        updateCommandStates();
    });
    connect(m_editBar, &EditBar::okCommand, this, [this] { applyDataField(true); });
    connect(m_editBar, &EditBar::dataFieldLeft, this, [this] { applyDataField(false); });
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::onSubWindowActivated);
    connect(qApp, &QApplication::focusChanged, this, [this] { scheduleCommandUpdate(); });
    qApp->installEventFilter(this);

    setTitle();
    showMenu(MenuId::NoData);
    resize(kDefaultWidth, kDefaultHeight);
    move((app.screenWidth - kDefaultWidth) / 2, (app.screenHeight - kDefaultHeight) / 2);
    updateCommandStates();
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    // The windows go after this destructor has run: nothing may call back into the frame.
    m_closing = true;
    m_doc->disconnect(this);
    m_mdi->disconnect(this);
    m_editBar->disconnect(this);
    m_pollTimer->disconnect(this);
    QObject::disconnect(qApp, nullptr, this, nullptr);
}

CVexDoc* CMainFrame::document() const
{
    return m_doc->views().empty() ? nullptr : m_doc;
}

CChildFrame* CMainFrame::activeChild() const
{
    // The current window, also while another top-level window has the focus.
    return qobject_cast<CChildFrame*>(m_mdi->currentSubWindow());
}

CVexView* CMainFrame::activeView() const
{
    CChildFrame* child = activeChild();
    return child ? child->view() : nullptr;
}

EditWindow* CMainFrame::activeWindow() const
{
    CVexView* view = activeView();
    return view ? view->window() : nullptr;
}

// --- command hub -------------------------------------------------------------------

QAction* CMainFrame::addMenuCommand(int id, const QString& text, const QList<QKeySequence>& keys)
{
    auto* action = new QAction(text, this);
    action->setShortcuts(keys);
    // Attached to the frame so that its keys work whichever menu is shown.
    QWidget::addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { execute(id); });
    command(id).actions.push_back(action);
    return action;
}

QAction* CMainFrame::addKeyCommand(int id, const QList<QKeySequence>& keys)
{
    auto* action = new QAction(this);
    action->setShortcuts(keys);
    QWidget::addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { execute(id); });
    command(id).keys = action;
    return action;
}

bool CMainFrame::isEnabled(int id) const
{
    const auto it = m_commands.find(id);
    if (it == m_commands.end())
        return false;
    const Command& c = it->second;
    if (c.childKeys && !hasActiveWindow())
        return false;
    return !c.enabled || c.enabled();
}

bool CMainFrame::isChecked(int id) const
{
    const auto it = m_commands.find(id);
    return it != m_commands.end() && it->second.checked && it->second.checked();
}

std::vector<QAction*> CMainFrame::actions(int id) const
{
    const auto it = m_commands.find(id);
    return it == m_commands.end() ? std::vector<QAction*>{} : it->second.actions;
}

bool CMainFrame::execute(int id)
{
    if (!isEnabled(id))
        return false;
    const auto run = m_commands[id].run;  // a handler may rebuild nothing, but keep a copy
    if (run)
        run();
    if (!m_closing)
        updateCommandStates();
    return true;
}

void CMainFrame::updateCommandStates()
{
    m_updatePending = false;
    for (auto& [id, c] : m_commands) {
        const bool enabled = isEnabled(id);
        const bool checkable = static_cast<bool>(c.checked);
        const bool checked = checkable && c.checked();
        for (QAction* action : c.actions) {
            action->setEnabled(enabled);
            action->setCheckable(checkable);
            action->setChecked(checked);
        }
        if (c.keys)
            c.keys->setEnabled(enabled);
        m_editBar->setCommandEnabled(id, enabled);
    }
    updateUndoText();
    updateRedoText();
}

void CMainFrame::scheduleCommandUpdate()
{
    if (m_closing)
        return;
    // Every request runs after what was posted before it (an editor applies Enter
    // in a posted call): an earlier request that runs first must not stand in for it.
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_closing)
            updateCommandStates();
    });
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != this)
            break;
        // The frame's keys come before an edit field's own use of them
        // (Ctrl+C copies the whole value, Shift+Left moves the cell).
        updateCommandStates();
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier,
                                                   Qt::Key(key->key())));
        for (const auto& [id, c] : m_commands) {
            std::vector<QAction*> all = c.actions;
            if (c.keys)
                all.push_back(c.keys);
            for (QAction* action : all) {
                if (action->isEnabled() && action->shortcuts().contains(pressed)) {
                    event->ignore();
                    return true;
                }
            }
        }
        break;
    }
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
        scheduleCommandUpdate();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- menus ---------------------------------------------------------------------------

void CMainFrame::createMenus()
{
    auto menu = [this](const QString& title) {
        auto* m = new QMenu(title, this);
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
        return m;
    };
    auto add = [this](QMenu* m, int id, std::size_t which = 0) {
        m->addAction(m_commands[id].actions.at(which));
    };

    QMenu* fileNoData = menu(QStringLiteral("&File"));
    add(fileNoData, cmd::kOpen);
    fileNoData->addSeparator();
    add(fileNoData, cmd::kExit);

    QMenu* fileLoaded = menu(QStringLiteral("&File"));
    add(fileLoaded, cmd::kClose);
    add(fileLoaded, cmd::kSave);
    fileLoaded->addSeparator();
    add(fileLoaded, cmd::kMenu);
    fileLoaded->addSeparator();
    add(fileLoaded, cmd::kExit);

    QMenu* edit = menu(QStringLiteral("&Edit"));
    add(edit, cmd::kUndo);
    edit->addSeparator();
    add(edit, cmd::kCopy);
    add(edit, cmd::kPaste);
    edit->addSeparator();
    add(edit, cmd::kMultiMapEdit);
    add(edit, cmd::kIndividualEdit);

    auto monitorMenu = [&](std::size_t itemSet) {
        QMenu* m = menu(QStringLiteral("&Monitor"));
        add(m, cmd::kMonitor);
        add(m, cmd::kStart);
        add(m, cmd::kStop);
        m->addSeparator();
        add(m, cmd::kItemSet, itemSet);
        return m;
    };
    QMenu* monitorLoaded = monitorMenu(0);  // "Item set..."
    QMenu* monitorChild = monitorMenu(1);   // "&Item set..."

    QMenu* setNoData = menu(QStringLiteral("&Set"));
    add(setNoData, cmd::kDirectory);
    QMenu* setLoaded = menu(QStringLiteral("&Set"));
    add(setLoaded, cmd::kRs232c);
    add(setLoaded, cmd::kTitle);
    add(setLoaded, cmd::kConstantsList);
    add(setLoaded, cmd::kDataExchange);
    add(setLoaded, cmd::kDirectory);

    auto windowMenu = [&](bool child) {
        QMenu* m = menu(QStringLiteral("&Window"));
        QMenu* open = m->addMenu(QStringLiteral("&Open"));
        open->addAction(m_commands[cmd::kOpenMap].actions.at(0));
        open->addAction(m_commands[cmd::kOpenTable].actions.at(0));
        connect(open, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
        add(m, cmd::kCascade);
        add(m, cmd::kTile);
        if (child)
            add(m, cmd::kAll);
        m->addSeparator();
        add(m, cmd::kMonitorDialog);
        return m;
    };
    QMenu* windowLoaded = windowMenu(false);
    QMenu* windowChild = windowMenu(true);

    QMenu* help = menu(QStringLiteral("&Help"));
    add(help, cmd::kToolBox);
    add(help, cmd::kAbout);

    m_menus[MenuId::NoData] = {fileNoData, setNoData, help};
    m_menus[MenuId::Loaded] = {fileLoaded, monitorLoaded, setLoaded, windowLoaded, help};
    m_menus[MenuId::Child] = {fileLoaded, edit, monitorChild, setLoaded, windowChild, help};
}

void CMainFrame::showMenu(MenuId menu)
{
    m_shownMenu = menu;
    QMenuBar* bar = menuBar();
    bar->clear();  // the menus belong to the frame and stay
    for (QMenu* m : m_menus[menu])
        bar->addMenu(m);
}

void CMainFrame::setFrameMenu(MenuId menu)
{
    m_frameMenu = menu;
    showMenu(activeChild() ? MenuId::Child : menu);
    updateCommandStates();
}

void CMainFrame::onSubWindowActivated(QMdiSubWindow*)
{
    if (m_closing)
        return;
    showMenu(activeChild() ? MenuId::Child : m_frameMenu);
    updateCommandStates();
}

void CMainFrame::onDocumentClosed()
{
    if (m_closing)
        return;
    EcuDataSet& data = m_app.data();
    m_editBar->clearForClosedDocument();
    setFrameMenu(data.loaded() ? MenuId::Loaded : MenuId::NoData);
    if (data.linkMode != kNoLink) {
        m_app.prompts().show(messageFor(3008, Icon::Question));
        data.linkMode = kNoLink;
        data.linkList.clear();
        if (m_hooks.reloadPresetLink)
            m_hooks.reloadPresetLink();
        m_editBar->fillLabels();
        if (const MapDefinition* map = data.currentMap())
            m_editBar->showLabel(map->name);
    }
    updateCommandStates();
}

// --- close and timer -------------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_closing && !confirmDiscard()) {
        event->ignore();
        return;
    }
    m_closing = true;
    stopPollTimer();
    m_doc->CloseAllWindows();
    if (m_app.data().loaded() && m_hooks.beforeDataSetClose)
        m_hooks.beforeDataSetClose();
    m_app.data().close();
    event->accept();
}

void CMainFrame::startPollTimer()
{
    m_pollTimer->start();
}

void CMainFrame::stopPollTimer()
{
    m_pollTimer->stop();
}

bool CMainFrame::pollTimerActive() const
{
    return m_pollTimer->isActive();
}

void CMainFrame::pollTick()
{
    if (m_hooks.timerTick)
        m_hooks.timerTick();
}

} // namespace zlm
