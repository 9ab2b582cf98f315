#include "tools/title_entry_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zlm {

TitleEntryDialog::TitleEntryDialog(const std::string& caption, const std::string& title,
                                   const std::string& data, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QString::fromStdString(caption));
    m_titleEdit = new QLineEdit(this);
    m_dataEdit = new QLineEdit(this);
    for (QLineEdit* edit : {m_titleEdit, m_dataEdit}) {
        edit->setMaxLength(kMaxLength);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
    }
    // A longer text read from a data file shows its first kMaxLength characters.
    m_titleEdit->setText(QString::fromStdString(title));
    m_dataEdit->setText(QString::fromStdString(data));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Title"), m_titleEdit);
    form->addRow(QStringLiteral("&Data"), m_dataEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TitleEntryDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TitleEntryDialog::~TitleEntryDialog() = default;

void TitleEntryDialog::accept()
{
    const QString title = m_titleEdit->text();
    if (title.isEmpty())
        return;
    m_title = title.toStdString();
    m_dataText = m_dataEdit->text().toStdString();
    QDialog::accept();
}

} // namespace zlm
