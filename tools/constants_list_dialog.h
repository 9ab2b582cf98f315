#pragma once
// The modal "Edit Constants list" dialog: the calibration constants of the
// definition's "Calib" section as physical values with units, sixteen rows at
// a time with a scroll bar. Every edit goes into the working image handed in;
// the caller copies it back on OK (runConstantsList). A value committed with
// Shift+Enter also goes to the running ECU through `writeToEcu`.
//
// The conversions, the range rule and the text rules are the core's
// (data/constant_value.h); this window only shows their outcome.
#include "base/line_list.h"
#include "data/constant_value.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace zlm {

class EcuDataSet;
class EcuProtocol;
class Prompts;

class ConstantsListDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConstantsListDialog)
public:
    static constexpr int kRows = 16;
    static constexpr int kFontPixels = 14;

    // Sends a stored raw value of `row` to the ECU (and into the data set).
    using EcuWriter = std::function<void(const ConstantRow& row, std::uint32_t raw)>;

    ConstantsListDialog(const LineList& definition, std::span<std::uint8_t, 65536> working,
                        Prompts& prompts, EcuWriter writeToEcu, QWidget* parent = nullptr);
    ~ConstantsListDialog() override;

    // Ends at once as cancelled when the "Calib" section lists no constant.
    int exec() override;

    // --- for tests and the screenshots ------------------------------------------
    const std::vector<ConstantRow>& rows() const { return m_rows; }
    int topRow() const { return m_top; }
    int currentCell() const { return m_currentCell; }
    QLineEdit* valueEdit(int row) const { return m_cells[row].value; }
    QLineEdit* rawEdit(int row) const { return m_cells[row].raw; }
    QLabel* contentsLabel(int row) const { return m_cells[row].contents; }
    QLabel* unitLabel(int row) const { return m_cells[row].unit; }
    QLabel* addressLabel(int row) const { return m_cells[row].address; }
    QScrollBar* scrollBar() const { return m_scrollBar; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    // Scrolls so that entry `top` is shown in row 0 (clamped to the range).
    void scrollTo(int top);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Cell {
        QLabel* address = nullptr;
        QLabel* contents = nullptr;
        QLineEdit* value = nullptr;
        QLabel* unit = nullptr;
        QLineEdit* raw = nullptr;
    };

    void buildControls();
    void layOut();
    void fillRows();
    void refreshRow(int row);
    const ConstantRow* entry(int row) const;
    int rowOf(const QObject* edit) const;
    // Commits a value edit; true when the value was stored without refusal or clamping.
    bool commitValue(int row, bool writeToEcu, bool showMessage);
    bool commitRaw(int row);
    void store(int row, std::uint32_t raw, bool writeToEcu);
    void showMessage(const Message& message);
    void step(int row, bool up);
    void moveVertically(int row, int delta);
    void onScrollAction(int action);
    void commitFocusedEdit();
    int lastRow() const;

    const LineList& m_definition;
    std::span<std::uint8_t, 65536> m_working;
    Prompts& m_prompts;
    EcuWriter m_writeToEcu;
    std::vector<ConstantRow> m_rows;
    std::array<Cell, kRows> m_cells {};
    QLabel* m_headers[5] = {};
    QWidget* m_scrollChild = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_enterButton = nullptr; // the hidden default "O&K"
    int m_top = 0;
    int m_currentCell = 0; // 2r: value edit of row r, 2r + 1: its raw edit
    bool m_scrolling = false;
    bool m_committing = false; // a commit or its message is under way
    bool m_alive = true;       // false once the destructor runs: no more commits
    std::array<int, 5> m_columnEdges {}; // left edges of Contents, VALUE, Unit, the scroll bar, and the right edge
    std::array<int, kRows + 1> m_rowBottoms {};
};

// The "&Constants list..." command: copies the whole image (65,536 bytes) into a
// working image, runs the dialog on it and on OK stores the bytes the dialog
// changed back into the data set (marking it modified only when a byte
// differs). A Shift+Enter write goes to the ECU through `protocol` and into the
// data set at once, so it stays even after Cancel. True when it ended with OK.
bool runConstantsList(EcuDataSet& data, Prompts& prompts, EcuProtocol& protocol,
                      QWidget* parent = nullptr);

} // namespace zlm
