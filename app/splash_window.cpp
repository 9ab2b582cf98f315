#include "app/splash_window.h"

#include "platform/settings_folder.h"

#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace zlm {
namespace fs = std::filesystem;

namespace {

constexpr qsizetype kFileHeaderBytes = 14;
constexpr std::uint16_t kBitmapType = 19778; // "BM" read as a little-endian word

// The screen the splash is centred on.
QScreen* primaryScreen()
{
    return QGuiApplication::primaryScreen();
}

// Checkered flag band along the lower edge, fading out towards the right.
void drawCheckers(QPainter& p, const QRectF& band, qreal cell)
{
    const int columns = static_cast<int>(band.width() / cell);
    const int rows = static_cast<int>(band.height() / cell);
    for (int c = 0; c < columns; ++c) {
        const qreal fade = 1.0 - static_cast<qreal>(c) / columns;
        for (int r = 0; r < rows; ++r) {
            if ((r + c) % 2)
                continue; // the dark squares are the ground itself
            p.setOpacity(0.75 * fade);
            p.fillRect(QRectF(band.left() + c * cell, band.top() + r * cell, cell, cell),
                QColor(235, 235, 235));
        }
    }
    p.setOpacity(1.0);
}

} // namespace

QImage SplashWindow::builtInBitmap(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal unit = h / 300.0; // the design is laid out for a height of 300

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Dark carbon ground with a faint diagonal weave.
    QLinearGradient ground(0, 0, 0, h);
    ground.setColorAt(0.0, QColor(40, 43, 50));
    ground.setColorAt(1.0, QColor(10, 11, 14));
    p.fillRect(image.rect(), ground);
    p.setPen(QPen(QColor(255, 255, 255, 10), 1));
    for (qreal x = -h; x < w; x += 6 * unit)
        p.drawLine(QPointF(x, h), QPointF(x + h, 0));

    // Livery stripes: red, white pin line, red, sweeping up to the right.
    auto stripe = [&](qreal offset, qreal thickness, const QColor& color) {
        QPainterPath path;
        path.moveTo(w * 0.42 + offset, h);
        path.lineTo(w * 0.42 + offset + thickness, h);
        path.lineTo(w + offset + thickness - h * 0.55, 0);
        path.lineTo(w + offset - h * 0.55, 0);
        path.closeSubpath();
        p.fillPath(path, color);
    };
    stripe(0, 46 * unit, QColor(200, 16, 30));
    stripe(54 * unit, 8 * unit, QColor(240, 240, 240));
    stripe(70 * unit, 22 * unit, QColor(200, 16, 30));

    drawCheckers(p, QRectF(0, h - 30 * unit, w * 0.5, 30 * unit), 10 * unit);

    // Program name, italic and heavy, with a soft shadow.
    QFont nameFont(QStringLiteral("DejaVu Sans"));
    nameFont.setBold(true);
    nameFont.setItalic(true);
    nameFont.setPixelSize(static_cast<int>(78 * unit));
    nameFont.setLetterSpacing(QFont::AbsoluteSpacing, -1.5 * unit);
    p.setFont(nameFont);
    const QPointF namePos(28 * unit, 132 * unit);
    p.setPen(QColor(0, 0, 0, 150));
    p.drawText(namePos + QPointF(3 * unit, 3 * unit), QStringLiteral("ZLM-350"));
    p.setPen(QColor(250, 250, 250));
    p.drawText(namePos, QStringLiteral("ZLM-350"));

    // Red speed bar under the name.
    QPainterPath bar;
    bar.moveTo(34 * unit, 148 * unit);
    bar.lineTo(300 * unit, 148 * unit);
    bar.lineTo(294 * unit, 156 * unit);
    bar.lineTo(28 * unit, 156 * unit);
    bar.closeSubpath();
    p.fillPath(bar, QColor(200, 16, 30));

    QFont titleFont(QStringLiteral("DejaVu Sans"));
    titleFont.setPixelSize(static_cast<int>(23 * unit));
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.2 * unit);
    p.setFont(titleFont);
    p.setPen(QColor(220, 222, 226));
    p.drawText(QPointF(31 * unit, 190 * unit), QStringLiteral("Tavoreth Racing Tool"));

    QFont smallFont(QStringLiteral("DejaVu Sans"));
    smallFont.setPixelSize(static_cast<int>(12 * unit));
    p.setFont(smallFont);
    p.setPen(QColor(150, 154, 162));
    p.drawText(
        QPointF(32 * unit, 214 * unit), QStringLiteral("ECU setting tool  \u2022  Version 2.0"));

    p.setPen(QPen(QColor(70, 74, 82), 1));
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

fs::path SplashWindow::bitmapFilePath(const fs::path& programPath, int screenDepth)
{
    fs::path base = programPath;
    base.replace_extension();
    base += screenDepth >= 16 ? "Fc.bmp" : ".bmp";
    return base;
}

QImage SplashWindow::readBitmapFile(const fs::path& path)
{
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 length = file.size();
    const QByteArray bytes = file.readAll();
    if (bytes.size() != length || bytes.size() < kFileHeaderBytes)
        return {};
    const auto type = static_cast<std::uint16_t>(
        static_cast<std::uint8_t>(bytes[0]) | static_cast<std::uint8_t>(bytes[1]) << 8);
    if (type != kBitmapType)
        return {};
    QImage image;
    if (!image.loadFromData(bytes, "BMP"))
        return {};
    return image;
}

SplashWindow* SplashWindow::start(QWidget* mainWindow, const fs::path& programPath)
{
    if (s_instance)
        return s_instance;
    // Owned by the main window; it deletes itself once its time is up.
    return new SplashWindow(mainWindow, programPath);
}

SplashWindow::SplashWindow(QWidget* mainWindow, const fs::path& programPath)
    : QWidget(mainWindow, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_mainWindow(mainWindow)
    , m_bitmap(builtInBitmap())
{
    s_instance = this;
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::ArrowCursor);

    QScreen* screen = primaryScreen();
    const int depth = screen ? screen->depth() : 32;
    // The installer names the picture "ZLM350FC.bmp": found whatever the case.
    const fs::path wanted = bitmapFilePath(programPath, depth);
    QImage fromFile = readBitmapFile(
        findFileNoCase(wanted.parent_path(), wanted.filename().string()).value_or(wanted));
    if (!fromFile.isNull()) {
        m_bitmap = std::move(fromFile);
        m_fileRead = true;
        m_displayTime = kDisplayTime;
    }

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SplashWindow::onTimeout);

    // Without its file the splash has no size and nothing to show: only its
    // timer runs, at once.
    if (m_fileRead) {
        setFixedSize(m_bitmap.size());
        if (screen)
            move(screen->geometry().center() - rect().center());
        show();
    }
    m_timer.start(m_displayTime);
}

SplashWindow::~SplashWindow()
{
    if (s_instance == this)
        s_instance = nullptr;
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_bitmap);
}

void SplashWindow::onTimeout()
{
    m_timer.stop();
    hide();
    if (m_mainWindow)
        m_mainWindow->showMaximized();
    s_instance = nullptr;
    deleteLater();
}

} // namespace zlm
