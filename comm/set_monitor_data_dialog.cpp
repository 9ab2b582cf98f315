#include "comm/set_monitor_data_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zlm {
namespace {

constexpr int kIndexRole = Qt::UserRole;

QListWidgetItem* entryFor(const DiagItem& item, int index)
{
    auto* entry = new QListWidgetItem(QString::fromStdString(item.name));
    entry->setData(kIndexRole, index);
    return entry;
}

} // namespace

SetMonitorDataDialog::SetMonitorDataDialog(const std::vector<DiagItem>& items,
                                           const std::vector<int>& selection, QWidget* parent)
    : QDialog(parent)
    , m_items(items)
{
    setWindowTitle(QStringLiteral("Set Monitor data"));
    m_all = new QListWidget(this);
    m_all->setSortingEnabled(true);
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        m_all->addItem(entryFor(items[static_cast<std::size_t>(i)], i));
    m_chosen = new QListWidget(this);
    for (const int i : selection)
        if (i >= 0 && i < static_cast<int>(items.size()))
            m_chosen->addItem(entryFor(items[static_cast<std::size_t>(i)], i));
    // Fifteen names fit without scrolling.
    const int listHeight = m_all->fontMetrics().height() * kMonitorRows + 12;
    const int listWidth = m_all->fontMetrics().horizontalAdvance(QStringLiteral("Vehicle Speed Sensor")) + 30;
    for (QListWidget* list : { m_all, m_chosen })
        list->setFixedSize(listWidth, listHeight);

    auto* allLabel = new QLabel(QStringLiteral("Diag.&com"), this);
    allLabel->setBuddy(m_all);
    auto* chosenLabel = new QLabel(QStringLiteral("&Monitor Dialog Item"), this);
    chosenLabel->setBuddy(m_chosen);

    m_add = new QPushButton(QStringLiteral(">>(&A)"), this);
    m_remove = new QPushButton(QStringLiteral("<<(&D)"), this);
    m_add->setEnabled(false);
    m_remove->setEnabled(false);
    for (QPushButton* b : { m_add, m_remove })
        b->setAutoDefault(false);

    connect(m_all, &QListWidget::currentRowChanged, this, [this](int row) {
        m_add->setEnabled(row >= 0 && m_chosen->count() < kMonitorRows);
    });
    connect(m_chosen, &QListWidget::currentRowChanged, this,
            [this](int row) { m_remove->setEnabled(row >= 0); });
    connect(m_add, &QPushButton::clicked, this, &SetMonitorDataDialog::add);
    connect(m_remove, &QPushButton::clicked, this, &SetMonitorDataDialog::remove);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(m_add);
    middle->addWidget(m_remove);
    middle->addStretch(1);

    auto* grid = new QGridLayout;
    grid->addWidget(allLabel, 0, 0);
    grid->addWidget(chosenLabel, 0, 2);
    grid->addWidget(m_all, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_chosen, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

SetMonitorDataDialog::~SetMonitorDataDialog() = default;

std::vector<int> SetMonitorDataDialog::selection() const
{
    std::vector<int> result;
    for (int r = 0; r < m_chosen->count(); ++r)
        result.push_back(m_chosen->item(r)->data(kIndexRole).toInt());
    return result;
}

void SetMonitorDataDialog::add()
{
    QListWidgetItem* picked = m_all->currentItem();
    if (!picked || m_chosen->count() >= kMonitorRows)
        return;
    const int index = picked->data(kIndexRole).toInt();
    QListWidgetItem* before = m_chosen->currentItem();
    // Each item is listed once: an entry of the same item elsewhere goes.
    for (int r = m_chosen->count() - 1; r >= 0; --r) {
        QListWidgetItem* entry = m_chosen->item(r);
        if (entry->data(kIndexRole).toInt() == index && entry != before)
            delete m_chosen->takeItem(r);
    }
    if (before && before->data(kIndexRole).toInt() == index)
        return; // already there, at that place
    const int at = before ? m_chosen->row(before) : m_chosen->count();
    m_chosen->insertItem(at, entryFor(m_items[static_cast<std::size_t>(index)], index));
    m_add->setEnabled(m_chosen->count() < kMonitorRows);
}

void SetMonitorDataDialog::remove()
{
    const int row = m_chosen->currentRow();
    if (row < 0)
        return;
    delete m_chosen->takeItem(row);
    m_chosen->setCurrentRow(-1);
    m_add->setEnabled(m_chosen->count() < kMonitorRows);
    m_remove->setEnabled(false);
    setFocus();
}

} // namespace zlm
