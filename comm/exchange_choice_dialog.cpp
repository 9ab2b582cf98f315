#include "comm/exchange_choice_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zlm {
namespace {

struct ChoiceTexts {
    const char* title;
    const char* group;
    std::vector<const char*> choices;
};

ChoiceTexts textsFor(ExchangeChoice choice)
{
    switch (choice) {
    case ExchangeChoice::Read: return {"Data Read", "&Read From", {"ECU Data", "Edit Data", "File Data"}};
    case ExchangeChoice::Write: return {"Data Write", "&Write To", {"ECU", "Edit"}};
    case ExchangeChoice::Verify:
        return {"Data Verify", "&Compare With", {"ECU Data", "Edit Data", "File Data"}};
    }
    return {};
}

} // namespace

ExchangeChoiceDialog::ExchangeChoiceDialog(ExchangeChoice choice, bool portOpen, QWidget* parent)
    : QDialog(parent)
{
    const ChoiceTexts texts = textsFor(choice);
    setWindowTitle(QString::fromLatin1(texts.title));

    auto* group = new QGroupBox(QString::fromLatin1(texts.group), this);
    auto* groupLayout = new QVBoxLayout(group);
    for (const char* text : texts.choices) {
        auto* button = new QRadioButton(QString::fromLatin1(text), group);
        groupLayout->addWidget(button);
        m_buttons.push_back(button);
    }
    // The ECU is busy with the monitor while the port is open.
    if (portOpen) {
        m_buttons[0]->setEnabled(false);
        m_buttons[1]->setChecked(true);
    } else {
        m_buttons[0]->setChecked(true);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    setMinimumWidth(220);
}

ExchangeSource ExchangeChoiceDialog::selected() const
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i]->isChecked())
            return static_cast<ExchangeSource>(i);
    return static_cast<ExchangeSource>(m_buttons.size() - 1);
}

std::optional<ExchangeSource> ExchangeChoiceDialog::ask(ExchangeChoice choice, bool portOpen,
                                                        QWidget* parent)
{
    ExchangeChoiceDialog dialog(choice, portOpen, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selected();
}

} // namespace zlm
