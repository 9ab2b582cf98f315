#include "comm/directory_dialog.h"

#include "comm/dialog_font.h"
#include "comm/directory_list.h"
#include "platform/ini_file.h"
#include "platform/prompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zlm {

DirectoryDialog::DirectoryDialog(IniFile& ini, Prompts& prompts, int fontPixels, QWidget* parent)
    : QDialog(parent), m_ini(ini), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Directory"));
    auto* caption = new QLabel(QStringLiteral("&File Path"), this);
    m_paths = new QComboBox(this);
    m_paths->setEditable(true);
    m_paths->setFont(programDialogFont(fontPixels));
    m_paths->setInsertPolicy(QComboBox::NoInsert);
    m_paths->setMinimumContentsLength(32);
    m_paths->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    caption->setBuddy(m_paths);
    m_list = readDirectoryList(m_ini);
    for (const std::string& path : m_list)
        m_paths->addItem(QString::fromStdString(path));
    m_paths->setCurrentIndex(m_list.empty() ? -1 : 0);

    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(browse, &QPushButton::clicked, this, [this] { DirectoryDialog::browse(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &DirectoryDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(m_paths, 1);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

DirectoryDialog::~DirectoryDialog() = default;

void DirectoryDialog::browse()
{
    const auto folder =
        m_prompts.chooseFolder("Please select directory.", m_paths->currentText().toStdString());
    if (folder)
        m_paths->setEditText(QString::fromStdString(*folder));
}

void DirectoryDialog::accept()
{
    const std::string text = m_paths->currentText().toStdString();
    // An empty field names no folder; the list stays as it was.
    if (text.empty())
        return;
    m_chosen = text;
    storeDirectoryChoice(m_ini, m_list, m_chosen);
    QDialog::accept();
}

} // namespace zlm
