#pragma once
// CVexDoc: the anchor of the map and table windows of the open data set. It
// holds no data of its own (the data set belongs to CVexApp); it knows its views
// and carries the change notifications between their editing windows.
//
// The flag of a notification is the ViewKind of the window that caused the
// change (0 = none): windows of that kind are skipped.
#include <QObject>

#include <vector>

namespace zlm {

class CVexApp;
class CMainFrame;
class CVexView;
class EditWindow;
enum class ViewKind;

class CVexDoc final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CVexDoc)
public:
    // `frame` owns the document; its edit bar is refreshed by the notifications.
    CVexDoc(CVexApp& app, CMainFrame& frame);
    ~CVexDoc() override;

    CVexApp& app() { return m_app; }
    CMainFrame& frame() { return m_frame; }

    // Views in creation order.
    const std::vector<CVexView*>& views() const { return m_views; }
    CVexView* viewOfKind(ViewKind kind) const;
    bool hasViewOfKind(ViewKind kind) const { return viewOfKind(kind) != nullptr; }
    // The view hosting `window`, or null.
    CVexView* viewOf(const EditWindow* window) const;

    // Refresh the edit bar, then Commit(flag) on every window not of kind `flag`.
    void BeginChange(int flag);
    // Refresh the edit bar, then Reload(flag) on every window not of kind `flag`.
    void EndChange(int flag);
    // ShowValue(value, flag) on every window not of kind `flag`.
    void ShowValue(int value, int flag);
    // Refresh the edit bar; RequestFocus on every window (1 without `view`, else
    // 0), relayout the table windows, repaint everything; with `view`, activate
    // its child frame, RequestFocus(1) on it and repaint it.
    void RefreshAll(CVexView* view = nullptr);
    void RefreshAll(EditWindow& window) { RefreshAll(viewOf(&window)); }
    // Passes both integers to every view, without refreshing the edit bar.
    void Broadcast(int first, int second);
    // Redraw every map window.
    void RedrawMapWindows();
    // Destroys the child frame of every view (the document then closes).
    void CloseAllWindows();

    // Called by CVexView.
    void addView(CVexView* view);
    void removeView(CVexView* view);
    bool isView(const CVexView* view) const;
    // True while CloseAllWindows runs.
    bool closingAll() const { return m_closingAll; }

signals:
    // The last view went away: the document is closed.
    void closed();
    // A view got Broadcast's two integers.
    void broadcast(int first, int second);

private:
    CVexApp& m_app;
    CMainFrame& m_frame;
    std::vector<CVexView*> m_views;
    bool m_closingAll = false;
};

} // namespace zlm
