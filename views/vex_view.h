#pragma once
// CVexView: the view of a child frame. It hosts exactly one inner editing
// window (a map window or a table window, chosen by the data set's
// NextViewKind when the view is created), keeps it filling its whole area and
// turns the arrow keys and Shift+Enter into the window's moves.
#include "views/edit_codes.h"

#include <QWidget>

#include <memory>
#include <string>

namespace zlm {

class CVexApp;
class CVexDoc;
class CChildFrame;
class EditWindow;

class CVexView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CVexView)
public:
    // Null when `kind` is neither Map nor Table (the view cannot be created).
    static std::unique_ptr<CVexView> create(CVexApp& app, CVexDoc& doc, int kind);
    ~CVexView() override;

    ViewKind kind() const { return m_kind; }
    EditWindow* window() const { return m_window; }
    CVexDoc& document() { return m_doc; }
    // The child frame holding the view (null before it is placed in one).
    CChildFrame* childFrame() const;

    // Re-targets the view to the map named `label`: the map becomes the current
    // map and the window is laid out for it. False (nothing changes) when no map
    // has that label.
    bool retarget(const std::string& label);
    // Child frame title: "MAP - " or "TABLE - " and the current map's label.
    QString frameTitle() const;
    void updateTitle();
    // Relayout for the current map (a table window's new layout).
    void relayout();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CVexView(CVexApp& app, CVexDoc& doc, ViewKind kind);

    CVexApp& m_app;
    CVexDoc& m_doc;
    ViewKind m_kind = ViewKind::None;
    EditWindow* m_window = nullptr;
};

} // namespace zlm
