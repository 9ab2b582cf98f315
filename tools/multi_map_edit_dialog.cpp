#include "tools/multi_map_edit_dialog.h"

#include "comm/dialog_font.h"
#include "data/ecu_data_set.h"
#include "platform/prompts.h"
#include "res/string_table.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zlm {
namespace {

constexpr int kCaption = 2020;       // "Multi Map Edit"
constexpr int kCancelLink = 3005;    // "Do you cancel map link?"
constexpr int kExecuteLink = 3006;   // "Do you execute map link?"

QString qs(const std::string& s) { return QString::fromStdString(s); }

std::string textOf(const QComboBox* list) { return list->currentText().toStdString(); }

} // namespace

MultiMapEditDialog::MultiMapEditDialog(EcuDataSet& data, Prompts& prompts, int fontPixels,
                                       QWidget* parent)
    : QDialog(parent), m_data(data), m_prompts(prompts)
{
    setWindowTitle(qs(std::string(loadString(kCaption))));

    auto* grid = new QGridLayout;
    const char* captions[] = {"#&1 Map", "#&2 Map", "#&3 Map", "#&4 Map"};
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        auto* label = new QLabel(QString::fromLatin1(captions[i]), this);
        m_lists[i] = new QComboBox(this);
        m_lists[i]->setFont(programDialogFont(fontPixels));
        m_lists[i]->setMinimumContentsLength(14);
        m_lists[i]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        label->setBuddy(m_lists[i]);
        grid->addWidget(label, static_cast<int>(i), 0);
        grid->addWidget(m_lists[i], static_cast<int>(i), 1);
    }

    m_modeGroup = new QGroupBox(QStringLiteral("&Multi Edit Mode"), this);
    m_all = new QRadioButton(QStringLiteral("#1, #2, #3, #4"), m_modeGroup);
    m_pairs = new QRadioButton(QStringLiteral("#1, #4 / #2, #3"), m_modeGroup);
    m_modes = new QButtonGroup(this);
    m_modes->addButton(m_all, kLinkAll);
    m_modes->addButton(m_pairs, kLinkPairs);
    auto* modeLayout = new QVBoxLayout(m_modeGroup);
    modeLayout->addWidget(m_all);
    modeLayout->addWidget(m_pairs);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_individual = new QPushButton(QStringLiteral("&Individual Edit"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addSpacing(8);
    buttons->addWidget(m_individual);
    buttons->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addWidget(m_modeGroup);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    // Opening: the mode, the link's names, the candidates, the enable rules.
    (m_data.linkMode == kLinkPairs ? m_pairs : m_all)->setChecked(true);
    m_individual->setEnabled(m_data.linkMode != kNoLink);
    LinkNames initial;
    for (std::size_t i = 0; i < initial.size() && i < m_data.linkList.size(); ++i)
        initial[i] = m_data.linkList[i];
    for (const std::string& name : linkFirstCandidates(m_data.maps()))
        m_lists[0]->addItem(qs(name));
    selectText(m_lists[0], initial[0]);
    fillPartners();
    for (std::size_t i = 1; i < initial.size(); ++i)
        selectText(m_lists[i], initial[i]);

    const LinkNames names = chosenNames();
    const bool allPossible = !names[0].empty() && !names[1].empty();
    const bool pairsPossible = allPossible && !names[2].empty() && !names[3].empty();
    m_all->setEnabled(allPossible);
    m_pairs->setEnabled(pairsPossible);
    m_modeGroup->setEnabled(allPossible || pairsPossible);
    m_ok->setEnabled(allPossible || pairsPossible);
    // A link preset by the definition fixes the maps for the rest of the run.
    if (!m_data.mapListsEnabled)
        for (QComboBox* list : m_lists)
            list->setEnabled(false);

    connect(m_lists[0], &QComboBox::activated, this, [this] { firstChanged(); });
    for (std::size_t i = 1; i < m_lists.size(); ++i)
        connect(m_lists[i], &QComboBox::activated, this, [this] { partnersChanged(); });
    connect(m_ok, &QPushButton::clicked, this, &MultiMapEditDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_individual, &QPushButton::clicked, this, [this] { individualEdit(); });
}

MultiMapEditDialog::~MultiMapEditDialog() = default;

LinkNames MultiMapEditDialog::chosenNames() const
{
    LinkNames names;
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = textOf(m_lists[i]);
    return names;
}

void MultiMapEditDialog::selectText(QComboBox* list, const std::string& text)
{
    list->setCurrentIndex(list->findText(qs(text), Qt::MatchExactly));
}

void MultiMapEditDialog::fillPartners()
{
    const std::vector<std::string> partners = linkPartnerCandidates(m_data.maps(), textOf(m_lists[0]));
    for (std::size_t i = 1; i < m_lists.size(); ++i) {
        m_lists[i]->clear();
        for (const std::string& name : partners)
            m_lists[i]->addItem(qs(name));
        m_lists[i]->addItem(QString());
        selectText(m_lists[i], {});
    }
}

void MultiMapEditDialog::firstChanged()
{
    // The modes stay as they were: OK with the emptied partners then says
    // that #2 is missing.
    fillPartners();
    checkDuplicates();
}

void MultiMapEditDialog::partnersChanged()
{
    const LinkNames names = chosenNames();
    const bool allPossible = !names[1].empty();
    const bool pairsPossible = allPossible && !names[2].empty() && !names[3].empty();
    m_all->setEnabled(allPossible);
    m_pairs->setEnabled(pairsPossible);
    if (allPossible && !pairsPossible)
        m_all->setChecked(true);
    m_modeGroup->setEnabled(allPossible || pairsPossible);
    m_ok->setEnabled(allPossible || pairsPossible);
    checkDuplicates();
}

bool MultiMapEditDialog::checkDuplicates()
{
    if (Status status = checkLinkDuplicates(chosenNames()); !status) {
        m_prompts.show(status.error());
        return false;
    }
    return true;
}

void MultiMapEditDialog::individualEdit()
{
    if (m_prompts.show(messageFor(kCancelLink, Icon::Question, std::string(loadString(kCaption))),
                       Buttons::OkCancel) == Answer::Cancel)
        return;
    m_modes->setExclusive(false);
    m_all->setChecked(false);
    m_pairs->setChecked(false);
    m_modes->setExclusive(true);
    accept();
}

void MultiMapEditDialog::accept()
{
    const LinkNames names = chosenNames();
    if (!checkDuplicates())
        return;
    const int mode = m_all->isChecked() ? kLinkAll : m_pairs->isChecked() ? kLinkPairs : kNoLink;
    if (Status status = checkLinkChoice(m_data.maps(), names, mode); !status) {
        m_prompts.show(status.error());
        return;
    }
    if (mode != m_data.linkMode && mode != kNoLink &&
        m_prompts.show(messageFor(kExecuteLink, Icon::Question, std::string(loadString(kCaption))),
                       Buttons::OkCancel) == Answer::Cancel)
        return;

    applyLink(m_data, mode, names);
    m_labels = linkLabelEntries(m_data);
    m_firstLabel = mode == kNoLink ? names[0] : m_labels.front();
    QDialog::accept();
}

} // namespace zlm
