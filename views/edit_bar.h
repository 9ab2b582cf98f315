#pragma once
// EditBar: the bar docked along the top of the main frame. Eleven icon buttons
// (Open, Save, Menu, Copy, Paste, Undo, Multi Map Edit, Monitor, Item set, Data
// Exchange, Constants list), the Label combo (one entry per map) and the Line
// combo (one entry per line of the current map). The ALL check box, the Data
// field, the Point field and the default OK button are kept up to date but
// never shown: the user reaches them through the menus and the keys.
//
// The bar only shows and reports; the main frame acts on its signals.
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace zlm {

class CVexApp;

class EditBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditBar)
public:
    static constexpr int kDataFieldLength = 8;  // characters
    // The command ids of the eleven buttons, left to right.
    static constexpr std::array<int, 11> kButtonCommands{57601, 32819, 1004,  57634, 57637, 57643,
                                                        32825, 32803, 32807, 32777, 32776};

    explicit EditBar(CVexApp& app, QWidget* parent = nullptr);
    ~EditBar() override;

    // --- controls (for the frame and for tests) -------------------------------------
    QToolButton* button(int commandId) const;
    QComboBox* labelCombo() const { return m_labelCombo; }
    QComboBox* lineCombo() const { return m_lineCombo; }
    QCheckBox* allCheck() const { return m_allCheck; }
    QLineEdit* dataField() const { return m_dataField; }
    QLineEdit* pointField() const { return m_pointField; }
    QPushButton* okButton() const { return m_okButton; }
    // Enables or disables the button of command `commandId`.
    void setCommandEnabled(int commandId, bool enabled);

    // --- contents ----------------------------------------------------------------------
    // Fills the Label combo with the map names of the data set (nothing selected).
    void fillLabels();
    // Fills the Label combo with other labels (a map link shows its groups).
    void setLabels(const std::vector<std::string>& labels);
    // Selects the Label combo entry `label` (no signal); false when there is none.
    bool showLabel(const std::string& label);
    // Rebuilds the Line combo from the current map's Z values and selects its line.
    void fillLines();
    // Replaces the text of Line entry `index` (a Z value changed).
    void setLineText(int index, const QString& text);
    // "Refresh edit bar": the Point and Data fields and the Line selection
    // from the current map's current cell. A cell that cannot be read leaves
    // the bar unchanged.
    void refresh();
    // The ALL check shows the current map's ALL flag (enabled).
    void showAllFlag();
    // A document closed: Line combo, Point and Data fields emptied, ALL disabled.
    void clearForClosedDocument();
    // The data set closed: both combos emptied as well.
    void clearAll();

signals:
    // A button was clicked; `id` is its command.
    void commandTriggered(int id);
    // The user picked Label entry `index` / Line entry `index`.
    void labelChosen(int index);
    void lineChosen(int index);
    // Enter in a control of the bar: the default button's command.
    void okCommand();
    // The Data field lost the focus.
    void dataFieldLeft();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CVexApp& m_app;
    std::array<QToolButton*, 11> m_buttons{};
    QLabel* m_labelCaption = nullptr;
    QComboBox* m_labelCombo = nullptr;
    QLabel* m_lineCaption = nullptr;
    QComboBox* m_lineCombo = nullptr;
    QCheckBox* m_allCheck = nullptr;
    QLabel* m_dataCaption = nullptr;
    QLineEdit* m_dataField = nullptr;
    QLabel* m_pointCaption = nullptr;
    QLineEdit* m_pointField = nullptr;
    QPushButton* m_okButton = nullptr;
};

// The names of the buttons, in kButtonCommands order.
const std::array<const char*, 11>& editBarButtonNames();

} // namespace zlm
