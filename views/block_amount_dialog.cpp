#include "views/block_amount_dialog.h"

#include "views/table_edit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zlm {

namespace {

struct Texts {
    QString title;
    QString label;
    QString start;
};

Texts textsFor(BlockOperation operation, const QString& currentValue)
{
    switch (operation) {
    case BlockOperation::Set:
        return { QStringLiteral("Set Value"), QStringLiteral("&Value:"), currentValue };
    case BlockOperation::Add:
        return { QStringLiteral("Add"), QStringLiteral("&Amount (negative subtracts):"),
            QStringLiteral("0") };
    case BlockOperation::Scale:
        return { QStringLiteral("Scale"), QStringLiteral("&Percentage (100 keeps the values):"),
            QStringLiteral("100") };
    default:
        return {};
    }
}

} // namespace

BlockAmountDialog::BlockAmountDialog(
    BlockOperation operation, const QString& currentValue, QWidget* parent)
    : QDialog(parent)
{
    const Texts texts = textsFor(operation, currentValue);
    setWindowTitle(texts.title);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_field = new QLineEdit(texts.start, this);
    m_field->setMaxLength(16);
    m_field->selectAll();
    auto* label = new QLabel(texts.label, this);
    label->setBuddy(m_field);
    form->addRow(label, m_field);
    layout->addLayout(form);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto check = [this] {
        m_buttons->button(QDialogButtonBox::Ok)->setEnabled(amount().has_value());
    };
    connect(m_field, &QLineEdit::textChanged, this, check);
    check();
    setMinimumWidth(320);
}

std::optional<double> BlockAmountDialog::amount() const
{
    const auto value = parseTypedValue(m_field->text().trimmed().toStdString());
    if (!value)
        return std::nullopt;
    return static_cast<double>(*value);
}

std::optional<double> askBlockAmount(
    QWidget* parent, BlockOperation operation, const QString& currentValue)
{
    BlockAmountDialog dialog(operation, currentValue, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.amount();
}

} // namespace zlm
