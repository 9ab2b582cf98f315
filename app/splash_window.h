#pragma once
// SplashWindow: the frameless start-up picture. It shows the bitmap file that
// the installer puts beside the program (the built-in picture stands in until
// that file has been read) and, when its timer runs out, destroys itself and
// shows the main window maximised. That is how the main window first appears.
// At most one splash window exists; it is owned by the main window (Qt parent).
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <filesystem>

namespace zlm {

class SplashWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SplashWindow)
public:
    // How long a bitmap read from its file stays on the screen.
    static constexpr std::chrono::milliseconds kDisplayTime { 750 };

    // Creates the splash for `mainWindow` (its parent) with the bitmap file
    // beside `programPath`, centred on the screen, and starts its timer. With a
    // splash already in existence, returns that one.
    static SplashWindow* start(QWidget* mainWindow, const std::filesystem::path& programPath);
    // The splash in existence, or null.
    static SplashWindow* instance() { return s_instance; }

    // The program's own picture, drawn for any size (default 480 x 300).
    static QImage builtInBitmap(QSize size = QSize(480, 300));
    // The bitmap file beside the program: its path without the extension
    // followed by "Fc.bmp" for screens of 16 or more bits per pixel, else ".bmp".
    static std::filesystem::path bitmapFilePath(
        const std::filesystem::path& programPath, int screenDepth);
    // The file as a device-independent bitmap file: the whole file must be
    // read and begin with a 14-byte header of type "BM", and its pixels must
    // decode. A null image otherwise.
    static QImage readBitmapFile(const std::filesystem::path& path);

    ~SplashWindow() override;

    const QImage& bitmap() const { return m_bitmap; }
    // kDisplayTime when the file was read, else 0 (the timer fires at once).
    std::chrono::milliseconds displayTime() const { return m_displayTime; }
    bool fileRead() const { return m_fileRead; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SplashWindow(QWidget* mainWindow, const std::filesystem::path& programPath);
    void onTimeout();

    static inline SplashWindow* s_instance = nullptr;

    QPointer<QWidget> m_mainWindow;
    QImage m_bitmap;
    bool m_fileRead = false;
    std::chrono::milliseconds m_displayTime { 0 };
    QTimer m_timer;
};

} // namespace zlm
