#include "setup/page_layout.h"

#include "setup/setup_banner.h"

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zlm::setup {

QLabel* pageLine(QWidget* parent, std::string_view text, const char* name)
{
    auto* label
        = new QLabel(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), parent);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}

void layOutPage(QDialog* page, QBoxLayout* content, std::initializer_list<QPushButton*> buttons)
{
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(new SetupBanner(page));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(22, 20, 22, 14);
    body->addLayout(content, 1);
    top->addLayout(body, 1);

    auto* rule = new QFrame(page);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 8, 12, 12);
    row->addStretch(1);
    for (QPushButton* button : buttons) {
        button->setAutoDefault(false);
        button->setMinimumWidth(88);
        row->addWidget(button);
    }

    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(top, 1);
    outer->addWidget(rule);
    outer->addLayout(row);
    // Both pages come up at one size, as the pages of one wizard.
    page->setMinimumSize(page->minimumSizeHint().expandedTo(QSize(660, 330)));
}

} // namespace zlm::setup
