#pragma once
// The modal "Set Monitor data" dialog: every monitor item on the left
// ("Diag.&com", sorted by name), the Monitor list on the right ("&Monitor
// Dialog Item", in row order), ">>(&A)" to add the left selection before the
// right one (at most 15 entries, each item once) and "<<(&D)" to remove.
// OK hands back the new Monitor list.
#include "comm/diag_item.h"

#include <QDialog>

#include <vector>

class QListWidget;
class QPushButton;

namespace zlm {

class SetMonitorDataDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SetMonitorDataDialog)
public:
    SetMonitorDataDialog(const std::vector<DiagItem>& items, const std::vector<int>& selection,
                         QWidget* parent = nullptr);
    ~SetMonitorDataDialog() override;

    // The right list's items in their order.
    std::vector<int> selection() const;

    QListWidget* itemList() const { return m_all; }
    QListWidget* monitorList() const { return m_chosen; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }

private:
    void add();
    void remove();

    const std::vector<DiagItem>& m_items;
    QListWidget* m_all = nullptr;
    QListWidget* m_chosen = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
};

} // namespace zlm
