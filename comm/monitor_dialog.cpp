#include "comm/monitor_dialog.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zlm {
namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

MonitorDialog::MonitorDialog(const std::vector<DiagItem>& items, const std::vector<int>& selection,
                             bool running, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Monitor"));
    setModal(false);
    QFont font(QStringLiteral("Century"));
    font.setPixelSize(kFontPixels);
    font.setStyleHint(QFont::Serif);
    setFont(font);
    const QFontMetrics fm(font);

    m_rows = std::min(static_cast<int>(selection.size()), kMonitorRows);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    // Wide enough for the longest value text ("-1234567") with room to spare.
    const int valueWidth = fm.horizontalAdvance(QStringLiteral("-00000000")) + 12;
    for (int r = 0; r < m_rows; ++r) {
        const DiagItem& item = items[static_cast<std::size_t>(selection[static_cast<std::size_t>(r)])];
        m_names[r] = new QLabel(qs(item.name), this);
        m_names[r]->setTextFormat(Qt::PlainText);
        m_values[r] = new QLineEdit(this);
        m_values[r]->setReadOnly(true);
        m_values[r]->setFocusPolicy(Qt::NoFocus);
        m_values[r]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_values[r]->setFixedWidth(valueWidth);
        m_units[r] = new QLabel(qs(item.unit), this);
        m_units[r]->setTextFormat(Qt::PlainText);
        grid->addWidget(m_names[r], r, 0);
        grid->addWidget(m_values[r], r, 1);
        grid->addWidget(m_units[r], r, 2);
    }
    grid->setColumnMinimumWidth(2, fm.horizontalAdvance(QStringLiteral("deg C")));

    m_startStop = new QPushButton(this);
    m_startStop->setAutoDefault(false);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->hide();
    setRunning(running);
    connect(m_startStop, &QPushButton::clicked, this, [this] {
        if (onStartStop)
            onStartStop();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_startStop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    // Ends below the last used row.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Plain A and O keys would press the button through its mnemonic.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

MonitorDialog::~MonitorDialog() = default;

void MonitorDialog::setRunning(bool running)
{
    m_startStop->setText(running ? QStringLiteral("St&op") : QStringLiteral("St&art"));
}

void MonitorDialog::showValue(int row, const std::string& text)
{
    if (row >= 0 && row < m_rows)
        m_values[row]->setText(qs(text));
}

bool MonitorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_A || key->key() == Qt::Key_O)
            && !(key->modifiers() & Qt::AltModifier)) {
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MonitorDialog::keyPressEvent(QKeyEvent* event)
{
    const bool alt = event->modifiers() & Qt::AltModifier;
    if ((event->key() == Qt::Key_A || event->key() == Qt::Key_O) && !alt)
        return;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (onEnter)
            onEnter();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MonitorDialog::reject()
{
    // Escape closes it like the close box.
    close();
}

void MonitorDialog::closeEvent(QCloseEvent* event)
{
    if (!m_closing) {
        m_closing = true;
        if (onClosing)
            onClosing(pos());
    }
    event->accept();
}

} // namespace zlm
