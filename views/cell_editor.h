#pragma once
// CellEditor: the single-line edit of the table window, used both as the cell
// editor (over the current cell of the GridPane) and as the header editor
// (over a header cell of the header strip). Enter and Esc are never inserted:
// they are passed on, queued, as keyCommand(character, shift). The step and
// move keys (PgUp, PgDn, Shift+arrows) go to moveRequested; Copy puts the
// whole text on the clipboard, whatever part of it is selected. Undo and Redo
// are left to the window's owner (the map's Undo), never the edit's own.
#include "views/edit_codes.h"

#include <QLineEdit>

namespace zlm {

class CellEditor final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CellEditor)
public:
    // `rightPaddingPx` puts the end of a right-aligned text where the table
    // draws the value the editor covers.
    explicit CellEditor(QWidget* parent = nullptr, int rightPaddingPx = kCellPaddingPx);

    // Right padding over a grid cell (as wide as the cell and its grid line)
    // and over a Z label (one pixel wider).
    static constexpr int kCellPaddingPx = 1;
    static constexpr int kHeaderPaddingPx = 2;

    // Right-aligned text (cell values, Z labels) with `rightPaddingPx`, or text
    // centred the way the X labels of the header row are drawn.
    void alignRight(int rightPaddingPx);
    void alignCentre();

    // Replaces the text (not a pending edit) and selects all of it.
    void fill(const QString& text);
    // The whole text to the clipboard as plain text.
    void copyAll() const;
    // Whether the user changed the text since the last fill.
    bool pending() const { return isModified(); }

signals:
    // Enter (13) or Esc (27), with Shift held or not.
    void keyCommand(int character, bool shift);
    void moveRequested(zlm::MoveCode code);

protected:
    bool event(QEvent* event) override;
    void setPlacement(Qt::Alignment alignment, int leftPaddingPx, int rightPaddingPx);
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_leftPaddingPx = -1;
    int m_rightPaddingPx = -1;
};

// The move of a key press in the table window (PgUp, PgDn, Shift+arrows), or
// nothing for other keys.
bool tableMoveForKey(const QKeyEvent* event, MoveCode& code);

} // namespace zlm
