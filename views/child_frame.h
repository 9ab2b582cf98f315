#pragma once
// CChildFrame: one MDI child window holding one CVexView. When it gains the
// focus it has every window commit its pending typed value (BeginChange(0))
// and asks its view's window to focus its edit field.
#include <QMdiSubWindow>

#include <memory>

class QMdiArea;

namespace zlm {

class CVexApp;
class CVexDoc;
class CVexView;

class CChildFrame final : public QMdiSubWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CChildFrame)
public:
    static constexpr int kMinimumWidth = 200;   // pixels
    static constexpr int kMinimumHeight = 120;

    // Creates a child frame for `doc` in `area` (which owns it) whose view is
    // of the data set's NextViewKind; null (nothing created) when that kind is
    // not 1 or 3.
    static CChildFrame* create(CVexApp& app, CVexDoc& doc, QMdiArea& area);
    ~CChildFrame() override;

    CVexView* view() const { return m_view; }

    // The frame became active: BeginChange(0) and RequestFocus(1).
    void activated();

protected:
    // A closed frame leaves its document at once (the widget goes later).
    void closeEvent(QCloseEvent* event) override;

private:
    explicit CChildFrame(std::unique_ptr<CVexView> view);

    CVexView* m_view = nullptr;
};

} // namespace zlm
