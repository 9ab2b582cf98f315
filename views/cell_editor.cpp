#include "views/cell_editor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>

namespace zlm {

CellEditor::CellEditor(QWidget* parent, int rightPaddingPx)
    : QLineEdit(parent)
{
    setFrame(false);
    setAutoFillBackground(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    alignRight(rightPaddingPx);
    hide();
}

void CellEditor::setPlacement(Qt::Alignment alignment, int leftPaddingPx, int rightPaddingPx)
{
    setAlignment(alignment | Qt::AlignVCenter);
    if (leftPaddingPx == m_leftPaddingPx && rightPaddingPx == m_rightPaddingPx)
        return;
    m_leftPaddingPx = leftPaddingPx;
    m_rightPaddingPx = rightPaddingPx;
    // A thin dark border marks the cell being edited; little padding, the cells are small.
    setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid black; padding: 0px %1px 0px %2px;"
                                 " background: white; }")
                      .arg(rightPaddingPx)
                      .arg(leftPaddingPx));
}

void CellEditor::alignRight(int rightPaddingPx)
{
    setPlacement(Qt::AlignRight, 1, rightPaddingPx);
}

void CellEditor::alignCentre()
{
    // The editor is three pixels wider than the label's box (a pixel left of
    // it, two right): three pixels more on the right keeps the same centre.
    setPlacement(Qt::AlignHCenter, 0, 3);
}

void CellEditor::fill(const QString& text)
{
    setText(text);
    setModified(false);
    selectAll();
}

void CellEditor::copyAll() const
{
    QGuiApplication::clipboard()->setText(text(), QClipboard::Clipboard);
}

bool tableMoveForKey(const QKeyEvent* event, MoveCode& code)
{
    const Qt::KeyboardModifiers mods
        = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (mods == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_PageUp:
            code = MoveCode::PageUp;
            return true;
        case Qt::Key_PageDown:
            code = MoveCode::PageDown;
            return true;
        default:
            return false;
        }
    }
    if (mods == Qt::ShiftModifier) {
        switch (event->key()) {
        case Qt::Key_Up:
            code = MoveCode::ShiftUp;
            return true;
        case Qt::Key_Down:
            code = MoveCode::ShiftDown;
            return true;
        case Qt::Key_Left:
            code = MoveCode::ShiftLeft;
            return true;
        case Qt::Key_Right:
            code = MoveCode::ShiftRight;
            return true;
        default:
            return false;
        }
    }
    return false;
}

namespace {
bool isUndoKey(const QKeyEvent* event)
{
    return event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo);
}
} // namespace

bool CellEditor::event(QEvent* event)
{
    // Not claimed here, so Ctrl+Z reaches the program's Undo command.
    if (event->type() == QEvent::ShortcutOverride && isUndoKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QLineEdit::event(event);
}

void CellEditor::keyPressEvent(QKeyEvent* event)
{
    if (isUndoKey(event)) {
        event->ignore();
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        const int character = key == Qt::Key_Escape ? 27 : 13;
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        // Posted, so the editor has finished with the key before the table acts.
        QMetaObject::invokeMethod(
            this, [this, character, shift] { emit keyCommand(character, shift); },
            Qt::QueuedConnection);
        event->accept();
        return;
    }
    MoveCode code {};
    if (tableMoveForKey(event, code)) {
        event->accept();
        emit moveRequested(code);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copyAll();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace zlm
