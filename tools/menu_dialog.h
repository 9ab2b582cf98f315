#pragma once
// The modal "Menu Dialog": the way into a data set. The user picks a group of
// maps (from the settings file's "MAP LIST", tools/menu_groups.h) and then a
// map of it, or runs the constants list, Data Exchange or Multi Map Edit on top
// of it, or leaves the program. Picking a map while a link is in force offers
// to clear the link first.
#include "tools/menu_groups.h"

#include <QDialog>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace zlm {

class EcuDataSet;
class Prompts;

// What the dialog's buttons run; an empty action leaves its button doing nothing.
struct MenuActions {
    std::function<void()> constantsList;
    std::function<void()> dataExchange;
    // Multi Map Edit; true when it ended with OK.
    std::function<bool()> multiMapEdit;
    // The link was cleared: the Label list holds the map names again.
    std::function<void()> linkCleared;
    // "E&xit" confirmed: close the main window.
    std::function<void()> exitProgram;
};

class MenuDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MenuDialog)
public:
    // The dialog ends with this code after "E&xit" (the application's exit command).
    static constexpr int kExitCode = 57665;

    // `fontPixels`: the program's dialog font size, used for the two lists.
    MenuDialog(EcuDataSet& data, Prompts& prompts, MenuGroups groups, MenuActions actions,
               int fontPixels, QWidget* parent = nullptr);
    ~MenuDialog() override;

    // After OK: the index of the chosen map in the map list.
    int chosenMap() const { return m_chosen; }

    // --- controls, for tests and screenshots ------------------------------------
    QListWidget* groupList() const { return m_groups; }
    QListWidget* mapList() const { return m_maps; }
    QPushButton* constantsButton() const { return m_constants; }
    QPushButton* exchangeButton() const { return m_exchange; }
    QPushButton* multiMapButton() const { return m_multiMap; }
    QPushButton* exitButton() const { return m_exit; }
    QPushButton* okButton() const { return m_ok; }

public slots:
    void accept() override;

private:
    void fillMaps();
    const QListWidgetItem* selectedGroup() const;
    void runMultiMapEdit();
    void exitProgram();

    EcuDataSet& m_data;
    Prompts& m_prompts;
    MenuGroups m_groupsDef;
    MenuActions m_actions;
    QListWidget* m_groups = nullptr;   // "&Menu" 1003
    QListWidget* m_maps = nullptr;     // "La&bel" 1001
    QPushButton* m_constants = nullptr;
    QPushButton* m_exchange = nullptr;
    QPushButton* m_multiMap = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_ok = nullptr;
    int m_chosen = -1;
};

} // namespace zlm
