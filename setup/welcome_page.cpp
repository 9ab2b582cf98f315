#include "setup/welcome_page.h"

#include "setup/page_layout.h"
#include "setup/setup_texts.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zlm::setup {

WelcomePage::WelcomePage(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Welcome"));
    auto* text = new QVBoxLayout;
    auto* welcome = pageLine(this, withProduct(texts::kWelcome), "line1013");
    QFont bold = welcome->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    welcome->setFont(bold);
    text->addWidget(welcome);
    text->addSpacing(14);
    text->addWidget(pageLine(this, withProduct(texts::kWillInstall), "line1015"));
    text->addSpacing(14);
    text->addWidget(pageLine(this, texts::kQuitLine1));
    text->addWidget(pageLine(this, texts::kQuitLine2));
    text->addStretch(1);

    m_next = new QPushButton(QStringLiteral("&Next >"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_next->setDefault(true);
    connect(m_next, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    layOutPage(this, text, { m_next, m_cancel });
}

} // namespace zlm::setup
