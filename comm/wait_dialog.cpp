#include "comm/wait_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace zlm {
namespace {

// The window itself: the user cannot close it; only the exchange does.
class WaitWindowWidget final : public QWidget {
public:
    explicit WaitWindowWidget(QWidget* parent)
        : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    { }
    void closeByExchange()
    {
        m_closing = true;
        close();
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (m_closing)
            QWidget::closeEvent(event);
        else
            event->ignore();
    }

private:
    bool m_closing = false;
};

} // namespace

WaitDialog::~WaitDialog()
{
    close();
}

void WaitDialog::open(const std::string& title)
{
    close();
    auto* window = new WaitWindowWidget(m_parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The windows keep painting during the exchange, but what the user types
    // or clicks meanwhile must act on nothing, neither now nor afterwards:
    // the other windows are blocked (their input is dropped) until it closes.
    window->setWindowModality(Qt::ApplicationModal);
    window->setWindowTitle(QStringLiteral("Tavoreth Racing Tool"));
    m_title = new QLabel(QString::fromStdString(title), window);
    m_progress = new QLabel(QString::fromLatin1(ecu::kWait.data(), ecu::kWait.size()), window);
    for (QLabel* label : {m_title, m_progress}) {
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(220);
    }
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(20, 14, 20, 14);
    layout->setSpacing(8);
    layout->addWidget(m_title);
    layout->addWidget(m_progress);
    window->adjustSize();
    if (m_parent) {
        const QPoint centre = m_parent->window()->geometry().center();
        window->move(centre - QPoint(window->width() / 2, window->height() / 2));
    }
    window->show();
    m_window = window;
    // Paint it now: the exchange keeps the event loop busy from here on.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool WaitDialog::progress(const std::string& line)
{
    if (m_window)
        m_progress->setText(QString::fromStdString(line));
    return true;
}

void WaitDialog::close()
{
    if (m_window)
        static_cast<WaitWindowWidget*>(m_window.data())->closeByExchange();
    m_window = nullptr;
    m_title = nullptr;
    m_progress = nullptr;
}

} // namespace zlm
