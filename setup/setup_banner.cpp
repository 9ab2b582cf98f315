#include "setup/setup_banner.h"

#include <QLinearGradient>
#include <QPainter>

namespace zlm::setup {

namespace {
constexpr int kWidth = 140; // pixels
}

SetupBanner::SetupBanner(QWidget* parent)
    : QWidget(parent)
{
    setFixedWidth(kWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

QSize SetupBanner::sizeHint() const
{
    return { kWidth, 220 };
}

void SetupBanner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0.0, QColor(44, 48, 56));
    fill.setColorAt(1.0, QColor(14, 16, 20));
    p.fillRect(rect(), fill);
    // The red stripe of the program's splash picture.
    p.fillRect(QRectF(0, 28, width(), 6), QColor(200, 16, 30));

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setBold(true);
    title.setItalic(true);
    title.setPixelSize(22);
    p.setFont(title);
    p.setPen(QColor(235, 236, 240));
    p.drawText(QRectF(14, 44, width() - 20, 32), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("ZLM-350"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(150, 154, 162));
    p.drawText(QRectF(15, 76, width() - 20, 20), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("Setup"));

    // A checkered strip along the bottom edge.
    const qreal cell = 11;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c * cell < width(); ++c) {
            const QColor color = (r + c) % 2 ? QColor(20, 20, 22) : QColor(230, 230, 232);
            p.fillRect(QRectF(c * cell, height() - (2 - r) * cell, cell, cell), color);
        }
    }
}

} // namespace zlm::setup
