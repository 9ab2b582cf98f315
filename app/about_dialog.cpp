#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace zlm {

namespace {

constexpr int kIconPixels = 48;

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    const qreal s = size;
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath badge;
    badge.addRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    QLinearGradient fill(0, 0, 0, s);
    fill.setColorAt(0.0, QColor(226, 34, 46));
    fill.setColorAt(1.0, QColor(150, 10, 20));
    p.fillPath(badge, fill);

    // Checkered corner, clipped to the badge; too busy on the smallest sizes.
    p.save();
    p.setClipPath(badge);
    const qreal cell = s / 8;
    const int rows = size < 32 ? 0 : 3;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 3 - r; ++c) {
            const QColor color = (r + c) % 2 ? QColor(20, 20, 22) : QColor(245, 245, 245);
            p.fillRect(QRectF(s - (c + 1) * cell, r * cell, cell, cell), color);
        }
    }
    p.restore();

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setItalic(true);
    font.setPixelSize(static_cast<int>(s * 0.62));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, s * 0.08, s, s), Qt::AlignCenter, QStringLiteral("Z"));
    return pixmap;
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    for (int size : { 16, 24, 32, 48, 64, 128 })
        icon.addPixmap(drawIcon(size));
    return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("About ZLM350"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(kIconPixels, kIconPixels));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("ZLM350"), this);
    name->setObjectName(QStringLiteral("programName"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.25);
    name->setFont(nameFont);
    auto* version = new QLabel(QStringLiteral("Version 2.0"), this);
    version->setObjectName(QStringLiteral("version"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(icon);
    top->addLayout(texts, 1);
    top->addWidget(buttons, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addLayout(top);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->setOrientation(Qt::Vertical);
}

void showAboutDialog(QWidget* parent)
{
    CAboutDlg dialog(parent);
    dialog.exec();
}

} // namespace zlm
