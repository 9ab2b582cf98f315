#include "tools/title_editor_dialog.h"

#include "comm/dialog_font.h"
#include "res/string_table.h"
#include "tools/title_entry_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace zlm {
namespace {

constexpr int kAddCaption = 2010;   // "Add Title"
constexpr int kEditCaption = 2011;  // "Edit Title"
constexpr int kListWidth = 440;     // pixels: room for a title column and a data column

// Draws an entry as two columns: the title at kTitleX, the data text at kDataX.
class TitleDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        painter->save();
        painter->fillRect(option.rect, selected ? pal.highlight() : pal.base());
        painter->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        const QRect r = option.rect;
        const QRect titleRect(r.left() + TitleEditorDialog::kTitleX, r.top(),
                              TitleEditorDialog::kSeparatorX - TitleEditorDialog::kTitleX - 2,
                              r.height());
        const QRect dataRect(r.left() + TitleEditorDialog::kDataX, r.top(),
                             r.width() - TitleEditorDialog::kDataX - 2, r.height());
        const QFontMetrics fm(option.font);
        painter->drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft,
                          fm.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                        titleRect.width()));
        painter->drawText(dataRect, Qt::AlignVCenter | Qt::AlignLeft,
                          fm.elidedText(index.data(Qt::UserRole).toString(), Qt::ElideRight,
                                        dataRect.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {kListWidth, QFontMetrics(option.font).height() + 4};
    }
};

// The list's ground: a column line over the whole height and a row line under
// every entry position down to the bottom, drawn over the entries.
class TitleList final : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QListWidget::paintEvent(event);
        QPainter p(viewport());
        p.setPen(palette().color(QPalette::Mid));
        const int height = viewport()->height();
        p.drawLine(TitleEditorDialog::kSeparatorX, 0, TitleEditorDialog::kSeparatorX, height);
        const int rowHeight = QFontMetrics(font()).height() + 4;
        const int offset = count() > 0 ? visualItemRect(item(0)).top() : 0;
        for (int y = offset + rowHeight - 1; y < height; y += rowHeight)
            p.drawLine(0, y, viewport()->width(), y);
    }
};

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TitleEditorDialog::TitleEditorDialog(std::vector<std::string>& titles, bool& modified,
                                     int fontPixels, QWidget* parent)
    : QDialog(parent), m_titles(titles), m_modified(modified), m_fontPixels(fontPixels)
{
    setWindowTitle(QStringLiteral("Title Editor"));
    m_list = new TitleList(this);
    const QFont font = programDialogFont(fontPixels);
    m_list->setFont(font);
    m_list->setItemDelegate(new TitleDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMinimumSize(kListWidth, (QFontMetrics(font).height() + 4) * 8 + 4);
    auto* caption = new QLabel(QStringLiteral("&Title"), this);
    caption->setBuddy(m_list);

    m_add = new QPushButton(QStringLiteral("&Add"), this);
    m_delete = new QPushButton(QStringLiteral("&Delete"), this);
    m_edit = new QPushButton(QStringLiteral("&Edit"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_add, m_delete, m_edit})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* left = new QVBoxLayout;
    left->addWidget(caption);
    left->addWidget(m_list, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        const bool any = !m_list->selectedItems().isEmpty();
        m_edit->setEnabled(any);
        m_delete->setEnabled(any);
    });
    connect(m_add, &QPushButton::clicked, this, [this] { addTitle(); });
    connect(m_edit, &QPushButton::clicked, this, [this] { editTitle(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { deleteTitle(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    refill();
}

TitleEditorDialog::~TitleEditorDialog() = default;

void TitleEditorDialog::refill()
{
    m_list->clear();
    for (std::size_t i = 0; i < m_titles.size(); i += 2) {
        auto* item = new QListWidgetItem(qs(m_titles[i]), m_list);
        item->setData(Qt::UserRole, qs(i + 1 < m_titles.size() ? m_titles[i + 1] : std::string()));
        item->setData(Qt::UserRole + 1, static_cast<int>(i));
    }
    m_edit->setEnabled(false);
    m_delete->setEnabled(false);
}

void TitleEditorDialog::addTitle()
{
    TitleEntryDialog entry(std::string(loadString(kAddCaption)), {}, {}, m_fontPixels, this);
    if (entry.exec() != QDialog::Accepted)
        return;
    m_modified = true;
    m_titles.push_back(entry.title());
    m_titles.push_back(entry.data());
    refill();
}

void TitleEditorDialog::editTitle()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const auto at = static_cast<std::size_t>(selected.front()->data(Qt::UserRole + 1).toInt());
    if (at + 1 >= m_titles.size())
        m_titles.resize(at + 2);
    TitleEntryDialog entry(std::string(loadString(kEditCaption)), m_titles[at], m_titles[at + 1],
                           m_fontPixels, this);
    if (entry.exec() != QDialog::Accepted)
        return;
    m_modified = true;
    m_titles[at] = entry.title();
    m_titles[at + 1] = entry.data();
    refill();
}

void TitleEditorDialog::deleteTitle()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const auto at = static_cast<std::size_t>(selected.front()->data(Qt::UserRole + 1).toInt());
    const auto end = std::min(at + 2, m_titles.size());
    m_titles.erase(m_titles.begin() + static_cast<std::ptrdiff_t>(at),
                   m_titles.begin() + static_cast<std::ptrdiff_t>(end));
    refill();
}

} // namespace zlm
