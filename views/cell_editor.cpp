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
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAutoFillBackground(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    // A thin dark border marks the cell being edited; little padding, the cells are small.
    setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid black; padding: 0px %1px 0px 1px;"
                                 " background: white; }")
                      .arg(rightPaddingPx));
    hide();
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
