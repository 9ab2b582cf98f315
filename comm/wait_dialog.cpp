#include "comm/wait_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace zlm {

WaitDialog::~WaitDialog()
{
    close();
}

void WaitDialog::open(const std::string& title)
{
    close();
    auto* window = new QWidget(m_parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
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
        m_window->close();
    m_window = nullptr;
    m_title = nullptr;
    m_progress = nullptr;
}

} // namespace zlm
