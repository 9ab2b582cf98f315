#include "comm/data_exchange_dialog.h"

#include "comm/exchange_choice_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QPalette>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace zlm {

DataExchangeDialog::DataExchangeDialog(EcuDataSet& data, Prompts& prompts, EcuImageTransfer& ecu,
                                       const AppSettings& settings,
                                       const std::string& dataDirectory, bool portOpen,
                                       QWidget* parent, DataExchange::ChoiceAsker ask)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Data Exchange"));
    if (!ask)
        ask = [this](ExchangeChoice choice, bool open) {
            return ExchangeChoiceDialog::ask(choice, open, this);
        };
    m_session = std::make_unique<DataExchange>(data, prompts, ecu, std::move(ask), dataDirectory,
                                               portOpen);
    m_session->onBusy = [this](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
        refresh();
    };
    m_session->onEditDataWritten = [this] {
        if (onEditDataWritten)
            onEditDataWritten();
    };

    m_log = new QPlainTextEdit(this);
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Century"));
    font.setPixelSize(std::max(8, settings.programDlgFontSize));
    m_log->setFont(font);
    // Wide enough for an address and sixteen byte columns, twelve rows high.
    const int cellWidth = settings.tableCellWidth;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_log->setFixedSize(16 * (cellWidth / 2) + cellWidth + scrollBar + 8,
                        12 * settings.tableCellHeight + 8);

    m_read = new QPushButton(QStringLiteral("&Read"), this);
    m_write = new QPushButton(QStringLiteral("&Write"), this);
    m_verify = new QPushButton(QStringLiteral("&Verify"), this);
    m_clear = new QPushButton(QStringLiteral("&Clear"), this);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_read->setDefault(true);
    m_status = new QLabel(this);
    QFont statusFont = m_status->font();
    statusFont.setBold(true);
    m_status->setFont(statusFont);
    QPalette statusPalette = m_status->palette();
    statusPalette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    m_status->setPalette(statusPalette);
    // Room for the whole text in the bold face it is drawn in.
    m_status->setMinimumWidth(QFontMetrics(statusFont).horizontalAdvance(QStringLiteral("Check Sum Error!")) + 8);

    connect(m_read, &QPushButton::clicked, this, [this] { run(&DataExchange::read); });
    connect(m_write, &QPushButton::clicked, this, [this] { run(&DataExchange::write); });
    connect(m_verify, &QPushButton::clicked, this, [this] { run(&DataExchange::verify); });
    connect(m_clear, &QPushButton::clicked, this, [this] { run(&DataExchange::clear); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    m_readBack = new QCheckBox(QStringLiteral("Read back and compare after writing"), this);
    connect(m_readBack, &QCheckBox::toggled, this, [this](bool on) {
        m_session->setReadBackAfterWrite(on);
        if (onReadBackChanged)
            onReadBackChanged(on);
    });

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_read, m_write, m_verify, m_clear, m_close})
        buttons->addWidget(b);
    buttons->addSpacing(8);
    buttons->addWidget(m_status, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_log);
    layout->addLayout(buttons);
    layout->addWidget(m_readBack);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    refresh();
}

DataExchangeDialog::~DataExchangeDialog()
{
    m_session->finish();
}

QPushButton* DataExchangeDialog::button(ExchangeButton which) const
{
    switch (which) {
    case ExchangeButton::Read: return m_read;
    case ExchangeButton::Write: return m_write;
    case ExchangeButton::Verify: return m_verify;
    case ExchangeButton::Clear: return m_clear;
    case ExchangeButton::Close: return m_close;
    }
    return nullptr;
}

void DataExchangeDialog::setReadBackAfterWrite(bool on)
{
    const QSignalBlocker quiet(m_readBack);
    m_readBack->setChecked(on);
    m_session->setReadBackAfterWrite(on);
}

void DataExchangeDialog::run(void (DataExchange::*step)())
{
    ((*m_session).*step)();
    refresh();
    if (QPushButton* focus = button(m_session->focus()); focus && focus->isEnabled())
        focus->setFocus();
}

void DataExchangeDialog::refresh()
{
    for (auto which : {ExchangeButton::Read, ExchangeButton::Write, ExchangeButton::Verify,
                       ExchangeButton::Clear, ExchangeButton::Close})
        button(which)->setEnabled(m_session->enabled(which));
    m_readBack->setEnabled(m_session->enabled(ExchangeButton::Close));
    m_status->setText(QString::fromStdString(m_session->status()));
    // The log keeps the line ends of the file it came from; the view wants plain new lines.
    QString log = QString::fromStdString(m_session->log());
    log.remove(QLatin1Char('\r'));
    if (m_log->toPlainText() != log) {
        m_log->setPlainText(log);
        m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
    }
}

} // namespace zlm
