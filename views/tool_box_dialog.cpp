#include "views/tool_box_dialog.h"

#include "views/edit_bar.h"
#include "views/edit_bar_icons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zlm {

namespace {

constexpr int kIconSize = 24;  // pixels
constexpr int kRowsPerColumn = 6;

} // namespace

ToolBoxDialog::ToolBoxDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About ToolBox"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    const auto& names = editBarButtonNames();
    for (std::size_t i = 0; i < EditBar::kButtonCommands.size(); ++i) {
        const int row = static_cast<int>(i) % kRowsPerColumn;
        const int column = static_cast<int>(i) / kRowsPerColumn * 3;
        auto* icon = new QLabel(this);
        icon->setPixmap(editBarIcon(EditBar::kButtonCommands[i])
                            .pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
        grid->addWidget(icon, row, column);
        grid->addWidget(new QLabel(QString::fromLatin1(names[i]), this), row, column + 1);
    }
    grid->setColumnMinimumWidth(2, 24);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

ToolBoxDialog::~ToolBoxDialog() = default;

} // namespace zlm
