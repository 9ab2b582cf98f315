#include "tools/menu_dialog.h"

#include "comm/dialog_font.h"
#include "data/ecu_data_set.h"
#include "data/map_access.h"
#include "data/map_link.h"
#include "platform/prompts.h"
#include "res/string_table.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zlm {
namespace {

constexpr int kExitQuestion = 3003;   // "Are you exit ?"
constexpr int kClearLink = 3007;      // "Do you clear map link?"
constexpr int kMenuCaption = 2013;    // "Menu"

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

MenuDialog::MenuDialog(EcuDataSet& data, Prompts& prompts, MenuGroups groups, MenuActions actions,
                       int fontPixels, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_prompts(prompts)
    , m_groupsDef(std::move(groups))
    , m_actions(std::move(actions))
{
    setWindowTitle(QStringLiteral("Menu Dialog"));

    m_groups = new QListWidget(this);
    m_maps = new QListWidget(this);
    auto* groupCaption = new QLabel(QStringLiteral("&Menu"), this);
    auto* mapCaption = new QLabel(QStringLiteral("La&bel"), this);
    groupCaption->setBuddy(m_groups);
    mapCaption->setBuddy(m_maps);
    const QFont listFont = programDialogFont(fontPixels);
    const QFontMetrics metrics(listFont);
    for (QListWidget* list : {m_groups, m_maps}) {
        list->setFont(listFont);
        // Ten entries of about sixteen characters (the longest map names).
        list->setMinimumSize(metrics.horizontalAdvance(QStringLiteral("Accel Pump Map12")) + 24,
                             metrics.height() * 10);
    }

    m_constants = new QPushButton(QStringLiteral("&Constants list"), this);
    m_exchange = new QPushButton(QStringLiteral("&Data Exchange"), this);
    m_multiMap = new QPushButton(QStringLiteral("M&ulti Map Edit"), this);
    m_exit = new QPushButton(QStringLiteral("E&xit"), this);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto* lists = new QGridLayout;
    lists->addWidget(groupCaption, 0, 0);
    lists->addWidget(mapCaption, 0, 1);
    lists->addWidget(m_groups, 1, 0);
    lists->addWidget(m_maps, 1, 1);
    auto* tools = new QVBoxLayout;
    for (QPushButton* b : {m_constants, m_exchange, m_multiMap})
        tools->addWidget(b);
    tools->addStretch(1);
    tools->addWidget(m_exit);
    auto* top = new QHBoxLayout;
    top->addLayout(lists, 1);
    top->addLayout(tools);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    // The group list; with an "other" group its first entry is selected at once.
    const std::vector<std::string> titles = menuGroupTitles(m_groupsDef, m_data.maps());
    for (const std::string& title : titles)
        m_groups->addItem(qs(title));
    if (!titles.empty() && titles.back() == m_groupsDef.otherTitle) {
        m_groups->setCurrentRow(0);
        fillMaps();
    }
    m_multiMap->setEnabled(hasNumberedMaps(m_data.maps()));

    // The selection, not the current row: a list that gains the focus gets a
    // current row without anything being picked.
    connect(m_groups, &QListWidget::itemSelectionChanged, this, [this] { fillMaps(); });
    connect(m_maps, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(m_constants, &QPushButton::clicked, this, [this] {
        if (m_actions.constantsList)
            m_actions.constantsList();
    });
    connect(m_exchange, &QPushButton::clicked, this, [this] {
        if (m_actions.dataExchange)
            m_actions.dataExchange();
    });
    connect(m_multiMap, &QPushButton::clicked, this, [this] { runMultiMapEdit(); });
    connect(m_exit, &QPushButton::clicked, this, [this] { exitProgram(); });
    connect(m_ok, &QPushButton::clicked, this, &MenuDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

MenuDialog::~MenuDialog() = default;

void MenuDialog::fillMaps()
{
    m_maps->clear();
    const QListWidgetItem* group = selectedGroup();
    if (!group)
        return;
    const auto& maps = m_data.maps();
    for (const int index : menuGroupMaps(m_groupsDef, maps, group->text().toStdString())) {
        auto* item = new QListWidgetItem(qs(maps[static_cast<std::size_t>(index)].name), m_maps);
        item->setData(Qt::UserRole, index);
    }
}

const QListWidgetItem* MenuDialog::selectedGroup() const
{
    const QList<QListWidgetItem*> selected = m_groups->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void MenuDialog::runMultiMapEdit()
{
    // A link just set up is offered for clearing at once, as on OK.
    if (m_actions.multiMapEdit && m_actions.multiMapEdit())
        accept();
}

void MenuDialog::exitProgram()
{
    const Message question = messageFor(kExitQuestion, Icon::Question,
                                        std::string(loadString(kMenuCaption)));
    if (m_prompts.show(question, Buttons::OkCancel) == Answer::Cancel)
        return;
    if (m_actions.exitProgram)
        m_actions.exitProgram();
    done(kExitCode);
}

void MenuDialog::accept()
{
    if (m_data.linkMode != kNoLink) {
        if (m_prompts.show(messageFor(kClearLink, Icon::Question), Buttons::OkCancel) ==
            Answer::Cancel)
            return;
        clearLink(m_data);
        if (m_actions.linkCleared)
            m_actions.linkCleared();
    }
    const QListWidgetItem* map = m_maps->currentItem();
    if (!selectedGroup() || !map || !map->isSelected())
        return;
    m_chosen = map->data(Qt::UserRole).toInt();
    QDialog::accept();
}

} // namespace zlm
