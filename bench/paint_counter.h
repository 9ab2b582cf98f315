#pragma once
// Counts the paint events of a widget, to show that every timed step was painted.
#include <QEvent>
#include <QObject>

namespace zlm::bench {

class PaintCounter final : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace zlm::bench
