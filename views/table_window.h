#pragma once
// TableWindow: the grid view of the current map. The window itself is the
// header strip (Z labels in the left column, X labels in the top row of the
// standard layout) and hosts the header editor; the GridPane child draws the
// cells, owns the scroll bars and hosts the cell editor.
//
// Standard layout (map modes 0 and 3, or map kind 1): grid row r = line r,
// grid column c = X point c. Paired layout (map mode 1 with map kind 2): no
// top header row; line l takes grid row 2l (its X values) and 2l + 1 (data).
#include "views/edit_window.h"

#include <QFont>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace zlm {

class CVexApp;
class CVexDoc;
class CellEditor;
class GridPane;
class TableSelection;
struct MapDefinition;
struct Message;
enum class EditPart;

class TableWindow final : public EditWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableWindow)
public:
    // Reads the cell sizes and fonts from app.settings; shows the data set's
    // current map. `doc` carries the change notifications between windows.
    TableWindow(CVexApp& app, CVexDoc& doc, QWidget* parent = nullptr);
    ~TableWindow() override;

    // --- EditWindow ---------------------------------------------------------------
    void redraw() override;
    void reload(int flag) override;
    void commit(int flag) override;
    void refreshIfOwner() override;
    void showValue(int value, int kind) override;
    void move(MoveCode code) override;
    ViewKind kind() const override { return ViewKind::Table; }
    void cut() override;
    void copy() override;
    void paste() override;
    std::pair<int, int> selection() const override;
    void requestFocus(int flag) override;
    QSize sizeHint() const override;

    // New layout for the (possibly changed) current map: sizes, scroll bars,
    // editors. Called after a re-target and by RefreshAll.
    void relayout();

    // --- state, for the view and for tests ------------------------------------------
    bool pairedLayout() const;
    int cellWidth() const { return m_cellWidth; }
    int cellHeight() const { return m_cellHeight; }
    int firstVisibleRow() const;
    int firstVisibleColumn() const;
    bool headerEditorActive() const { return m_headerEditorActive; }
    GridPane* gridPane() const { return m_grid; }
    CellEditor* cellEditor() const;
    CellEditor* headerEditor() const { return m_headerEditor; }
    // The block of DATA cells selected, with its operations and shading.
    TableSelection& blockSelection() const { return *m_selection; }

signals:
    // A THROT value changed here: the edit bar's Line entry `line` now reads `text`.
    void lineEntryChanged(int line, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class GridPane;
    friend class TableSelection;

    MapDefinition* map() const;
    int lineCount() const; // Z points
    int pointCount() const; // X points per line
    int rowCount() const; // grid rows: lines, or 2 x lines in the paired layout
    bool headerEditable() const; // map modes 1 and 3
    // Texts of the values as the table shows them.
    QString dataText(int line, int point) const;
    QString xText(int line, int point) const;
    QString zText(int line) const;
    QString currentText() const; // the current value in the current part's format
    CellEditor* activeEditor() const; // the header editor while it is active, else the cell editor

    bool headerPartActive() const; // THROT, or RPM in the standard layout
    void placeCellEditor(bool refill = true);
    void placeHeaderEditor(bool refill = true);
    void replaceEditors(); // after scrolling: same texts, new places
    // Scrolls the current cell (or header cell) into view, so its editor is
    // never placed where it cannot be seen.
    void keepCurrentCellInView();
    bool applyCellEditor();
    bool applyHeaderEditor();
    void editorKey(CellEditor* editor, int character, bool shift);
    void pickCell(int x, int y);
    void pickHeader(int x, int y);
    void finishPick(bool header);
    // Makes (part, line, point) the current cell after applying the pending edit.
    void moveTo(EditPart part, int line, int point);
    void stepData(int direction);
    void stepAxis(int direction);
    void focusRequest(int flag);
    void showMessages(const std::vector<Message>& messages);

    CVexApp& m_app;
    CVexDoc& m_doc;
    int m_cellWidth = 55; // pixels
    int m_cellHeight = 20; // pixels
    QFont m_headerFont;
    QFont m_cellFont;
    GridPane* m_grid = nullptr;
    TableSelection* m_selection = nullptr; // child object
    CellEditor* m_headerEditor = nullptr;
    bool m_headerEditorActive = false;
    // Set while an edit is applied: the focus loss that its own message box
    // causes must not apply it a second time.
    bool m_applying = false;
    int m_focusGeneration = 0; // drops focus requests queued before a pick
};

} // namespace zlm
