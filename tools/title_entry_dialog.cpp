#include "tools/title_entry_dialog.h"

#include "comm/dialog_font.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QValidator>
#include <QVBoxLayout>

namespace zlm {
namespace {

// A title is stored as the text before the first "," of its line, and a line
// that starts with ";" or "[" would read back as a comment or a section: such
// characters would change or lose the title at the next load.
class TitleValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        const QString start = input.trimmed();
        if (input.contains(QLatin1Char(',')) || start.startsWith(QLatin1Char(';')) ||
            start.startsWith(QLatin1Char('[')))
            return Invalid;
        return Acceptable;
    }
};

} // namespace

TitleEntryDialog::TitleEntryDialog(const std::string& caption, const std::string& title,
                                   const std::string& data, int fontPixels, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QString::fromStdString(caption));
    m_titleEdit = new QLineEdit(this);
    m_dataEdit = new QLineEdit(this);
    for (QLineEdit* edit : {m_titleEdit, m_dataEdit}) {
        edit->setFont(programDialogFont(fontPixels));
        edit->setMaxLength(kMaxLength);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
    }
    m_titleEdit->setValidator(new TitleValidator(m_titleEdit));
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
