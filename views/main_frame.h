#pragma once
// CMainFrame: the single top-level window. An MDI frame with the edit bar along
// its top edge and the MDI area below. It owns the command hub: every menu item,
// accelerator key and edit-bar button ends in execute(id), which checks the
// command's enable rule and runs its handler. The handlers live in one file per
// command group (file_commands.cpp, edit_commands.cpp, window_commands.cpp,
// tool_commands.cpp); the dialogs of other tools plug in through hooks().
#include "views/edit_codes.h"

#include <QKeySequence>
#include <QList>
#include <QMainWindow>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

namespace zlm {

class CVexApp;
class CVexDoc;
class CVexView;
class CChildFrame;
class EditBar;
class EditWindow;
struct UndoResult;

// Command ids (the menu items, keys and edit-bar buttons).
namespace cmd {
inline constexpr int kOpen = 57601;
inline constexpr int kClose = 32818;
inline constexpr int kSave = 32819;
inline constexpr int kMenu = 1004;
inline constexpr int kExit = 57665;
inline constexpr int kUndo = 57643;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kPaste = 57637;
inline constexpr int kMultiMapEdit = 32825;
inline constexpr int kIndividualEdit = 32826;
inline constexpr int kMonitor = 32803;
inline constexpr int kStart = 32805;
inline constexpr int kStop = 32806;
inline constexpr int kItemSet = 32807;
inline constexpr int kRs232c = 32774;
inline constexpr int kTitle = 32775;
inline constexpr int kConstantsList = 32776;
inline constexpr int kDataExchange = 32777;
inline constexpr int kDirectory = 32791;
inline constexpr int kOpenMap = 32771;
inline constexpr int kOpenTable = 32772;
inline constexpr int kCascade = 57650;
inline constexpr int kTile = 57651;
inline constexpr int kAll = 1148;
inline constexpr int kToggleAll = 32817;     // F4
inline constexpr int kMonitorDialog = 32816;
inline constexpr int kToolBox = 32838;
inline constexpr int kAbout = 57664;
inline constexpr int kLineUp = 1063;         // F2
inline constexpr int kLineDown = 1064;       // F3
inline constexpr int kFocusSwitch = 32811;   // F5
inline constexpr int kPartSwitch = 32810;    // Shift+F5
inline constexpr int kPageUp = 32787;
inline constexpr int kPageDown = 32788;
inline constexpr int kShiftUp = 32812;
inline constexpr int kShiftDown = 32813;
inline constexpr int kShiftLeft = 32814;
inline constexpr int kShiftRight = 32815;
inline constexpr int kNextPane = 57680;      // F6
inline constexpr int kPrevPane = 57681;      // Shift+F6
inline constexpr int kEditBarOk = 1;         // Enter in the edit bar
} // namespace cmd

// Frame menus: 2 without a data set, 4 with one, 3 while a map or table window is active.
enum class MenuId { NoData = 2, Child = 3, Loaded = 4 };

// Hooks for the dialogs and services of other tools. An empty hook makes its
// command do nothing (the command keeps its menu item and enable rule).
struct FrameHooks {
    // Menu dialog (F1): the label index chosen, or nothing on Cancel.
    std::function<std::optional<int>()> menuDialog;
    // Multi Map Edit dialog: the label to select after OK, or nothing on Cancel.
    std::function<std::optional<std::string>()> multiMapEdit;
    // Map-link label lookup used by Label selection: the label to use instead
    // of `label`, or nothing when the link does not know it.
    std::function<std::optional<std::string>(const std::string& label)> linkLookup;
    // Reads the definition's preset link ("Multi Map") again.
    std::function<void()> reloadPresetLink;
    // Monitor dialog: toggle (create/destroy), state, focus.
    std::function<void()> toggleMonitorDialog;
    std::function<bool()> monitorDialogOpen;
    std::function<void()> focusMonitorDialog;
    // Start and Stop of monitoring, and whether the port is open.
    std::function<void()> startMonitor;
    std::function<void()> stopMonitor;
    std::function<bool()> portOpen;
    // Set Monitor data dialog, and whether the definition lists monitor items.
    std::function<void()> itemSet;
    std::function<bool()> hasMonitorItems;
    // Before the data set closes: store the monitor selection, close the port
    // and the monitor dialog.
    std::function<void()> beforeDataSetClose;
    std::function<void()> rs232c;
    std::function<void()> title;
    std::function<void()> constantsList;
    std::function<void()> dataExchange;
    std::function<void()> directory;
    // Every tick of the 100 ms timer: the serial link's time-out countdown
    // and one step of the monitor poll.
    std::function<void()> timerTick;
    // Shift+Enter on a table cell: send the current cell to the running ECU.
    std::function<void()> writeCellToEcu;
};

class CMainFrame final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainFrame)
public:
    static constexpr int kDefaultWidth = 600;   // pixels
    static constexpr int kDefaultHeight = 460;

    explicit CMainFrame(CVexApp& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CVexApp& app() { return m_app; }
    EditBar& editBar() { return *m_editBar; }
    QMdiArea& mdiArea() { return *m_mdi; }
    FrameHooks& hooks() { return m_hooks; }

    // The document of the open windows (null when no window is open).
    CVexDoc* document() const;
    // The active child frame's view and its inner window (null when none).
    CChildFrame* activeChild() const;
    CVexView* activeView() const;
    EditWindow* activeWindow() const;

    // --- command hub ------------------------------------------------------------
    // Runs command `id` when its enable rule allows; returns whether it ran.
    bool execute(int id);
    bool isEnabled(int id) const;
    bool isChecked(int id) const;
    // The menu actions of command `id` (two for Item set, whose text differs
    // between menus 3 and 4); empty for key-only commands.
    std::vector<QAction*> actions(int id) const;
    // Re-evaluates every enable rule and check mark of the actions.
    void updateCommandStates();

    MenuId frameMenu() const { return m_frameMenu; }   // 2 or 4
    MenuId shownMenu() const { return m_shownMenu; }   // 2, 3 or 4
    void setFrameMenu(MenuId menu);

    // --- file commands ------------------------------------------------------------
    void openFile();            // File, Open: dialog, load, windows
    // Loads `path` and shows failures; true when the data set is loaded.
    bool loadDataFile(const std::string& path);
    void saveFile();            // File, Save...
    void closeFile();           // File, Close (asks 3001 when modified)
    // The batch conversion of the command-line arguments; closes the frame.
    // True when the CSV file was written.
    bool runBatchConversion();
    // Closes every window and the data set without asking.
    void closeDataSet();
    // Title bar: "Tavoreth Racing Tool", plus " - " and `document` when given.
    void setTitle(const std::string& document = {});

    // --- window commands ------------------------------------------------------------
    // Opens a map (ViewKind::Map) or table (ViewKind::Table) window on the
    // current map; refused when the document already has one of that kind.
    CChildFrame* openWindow(ViewKind kind);
    void tileHorizontally();
    void cascade(); // Window, Cascade: overlapping, each large enough to work in
    // The current map's label was picked (Label combo, Menu, Multi Map Edit):
    // re-target every view of the document to it.
    void selectLabel(const std::string& label);
    // The Line combo picked line `index`.
    void selectLine(int index);
    // Applies the edit bar's Data field; with `showErrors` the OK command's
    // failure handling (message 1536) runs.
    bool applyDataField(bool showErrors);

    // --- monitor timer (id 1, 100 ms) -------------------------------------------
    void startPollTimer();
    void stopPollTimer();
    bool pollTimerActive() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Command {
        std::vector<QAction*> actions;   // menu items
        QAction* keys = nullptr;         // key-only command
        std::function<void()> run;
        std::function<bool()> enabled;   // empty: always
        std::function<bool()> checked;   // empty: no check mark
        bool childKeys = false;          // its keys work only with a map or table window active
    };

    // Command table, one function per command group (each in its own file).
    void createFileCommands();
    void createEditCommands();
    void createWindowCommands();
    void createToolCommands();
    void createBlockCommands(); // block_commands.cpp, after the edit commands
    void createMenus();
    void addBlockMenus(); // block_commands.cpp, into the menus createMenus built
    QAction* addMenuCommand(int id, const QString& text, const QList<QKeySequence>& keys = {});
    QAction* addKeyCommand(int id, const QList<QKeySequence>& keys);
    Command& command(int id) { return m_commands[id]; }
    void scheduleCommandUpdate();
    void updateUndoText();
    void updateRedoText();
    bool hasActiveWindow() const { return activeWindow() != nullptr; }

    void showMenu(MenuId menu);
    void onSubWindowActivated(QMdiSubWindow* window);
    void onDocumentClosed();
    void pollTick();

    // file_commands.cpp
    bool confirmDiscard();      // BeginChange(0), then 3001 when modified and loaded
    void showLoadedState();
    // edit_commands.cpp
    void undo();
    void showUndoResult(const UndoResult& result);
    void switchEditPart();
    // window_commands.cpp
    void makeCurrent(int mapIndex);
    int labelComboMap() const; // the map of the Label list's entry (0 when none)
    void openAfterMenu(int labelIndex);
    void stepLine(int delta);
    void toggleAll(bool fromCheck);
    void switchFocus();
    void moveActive(MoveCode code);
    // block_commands.cpp
    void redo();
    void toggleShading();
    // tool_commands.cpp
    void runMenu();
    void individualEdit();
    void showToolBox();

    CVexApp& m_app;
    FrameHooks m_hooks;
    EditBar* m_editBar = nullptr;
    QMdiArea* m_mdi = nullptr;
    CVexDoc* m_doc = nullptr;   // lives as long as the frame; has views while windows are open
    QTimer* m_pollTimer = nullptr;
    std::map<int, Command> m_commands;
    std::map<MenuId, std::vector<QMenu*>> m_menus;
    MenuId m_frameMenu = MenuId::NoData;
    MenuId m_shownMenu = MenuId::NoData;
    bool m_closing = false;        // the frame is closing: no more questions or menus
    bool m_updatePending = false;
};

} // namespace zlm
