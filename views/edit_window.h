#pragma once
// EditWindow: the inner editing window of a view, a MapWindow or a TableWindow.
// The main frame and the document talk to both through these operations.
#include "views/edit_codes.h"

#include <QWidget>
#include <utility>

namespace zlm {

class EditWindow : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~EditWindow() override = default;

    virtual void redraw() { update(); }
    virtual void reload(int flag) = 0;   // re-read values from the data set and repaint
    virtual void commit(int flag) = 0;   // apply a pending typed value
    virtual void refreshIfOwner() {}
    virtual void showValue(int value, int kind) {}
    virtual void move(MoveCode code) = 0;
    virtual ViewKind kind() const = 0;
    virtual void cut() {}
    virtual void copy() {}
    virtual void paste() {}
    // Start and end of the selection in the window's edit field.
    virtual std::pair<int, int> selection() const { return {0, 0}; }
    // Focus and select the window's edit field (queued, like a posted message).
    virtual void requestFocus(int flag) = 0;
};

} // namespace zlm
