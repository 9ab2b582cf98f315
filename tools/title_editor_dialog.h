#pragma once
// The modal "Title Editor": the data set's titles as a two-column list (title,
// data text) with Add, Delete and Edit. It works on a copy of the title list
// that the caller stores back only on OK; every accepted Add or Edit marks the
// data set modified at once, even when the editor is then cancelled.
#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace zlm {

class TitleEditorDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TitleEditorDialog)
public:
    // Column lines and text starts of the list, in pixels from its left edge.
    static constexpr int kTitleX = 4;
    static constexpr int kSeparatorX = 136;
    static constexpr int kDataX = 140;

    // `titles`: name and text alternating; `modified`: the data set's flag.
    TitleEditorDialog(std::vector<std::string>& titles, bool& modified, int fontPixels,
                      QWidget* parent = nullptr);
    ~TitleEditorDialog() override;

    // --- controls and actions, for tests and screenshots -------------------------
    QListWidget* list() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* editButton() const { return m_edit; }

private:
    void refill();
    void addTitle();
    void editTitle();
    void deleteTitle();

    std::vector<std::string>& m_titles;
    bool& m_modified;
    int m_fontPixels = 19;
    QListWidget* m_list = nullptr;   // "&Title" 1159
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_edit = nullptr;
};

} // namespace zlm
