#include "tools/constants_list_dialog.h"

#include "comm/ecu_protocol.h"
#include "data/ecu_data_set.h"
#include "data/undo_stack.h"
#include "platform/prompts.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <memory>

namespace zlm {
namespace {

constexpr int kMargin = 8;
constexpr int kButtonGap = 10;

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// The child that carries the scroll bar; when it gets the focus it hands it
// on to the edit of the current cell.
class ScrollChild final : public QWidget {
public:
    ScrollChild(QWidget* parent, std::function<void()> onFocus)
        : QWidget(parent)
        , m_onFocus(std::move(onFocus))
    {
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void focusInEvent(QFocusEvent*) override
    {
        if (m_onFocus)
            m_onFocus();
    }

private:
    std::function<void()> m_onFocus;
};

} // namespace

ConstantsListDialog::ConstantsListDialog(const LineList& definition,
                                         std::span<std::uint8_t, 65536> working, Prompts& prompts,
                                         EcuWriter writeToEcu, QWidget* parent)
    : QDialog(parent)
    , m_definition(definition)
    , m_working(working)
    , m_prompts(prompts)
    , m_writeToEcu(std::move(writeToEcu))
    , m_rows(constantRows(definition))
{
    setWindowTitle(QStringLiteral("Edit Constants list"));
    QFont font(QStringLiteral("Century"));
    font.setPixelSize(kFontPixels);
    font.setStyleHint(QFont::Serif);
    setFont(font);

    buildControls();
    layOut();

    m_scrolling = static_cast<int>(m_rows.size()) > kRows;
    if (m_scrolling) {
        m_scrollBar->setRange(0, static_cast<int>(m_rows.size()) - kRows);
        m_scrollBar->setSingleStep(1);
        m_scrollBar->setPageStep(kRows);
    } else {
        m_scrollBar->setRange(0, 0);
        m_scrollBar->hide();
    }
    m_top = 0;
    fillRows();
    for (int r = 0; r < kRows; ++r) {
        if (m_cells[r].value->isEnabled()) {
            m_cells[r].value->setFocus();
            m_currentCell = 2 * r;
            break;
        }
    }
}

ConstantsListDialog::~ConstantsListDialog()
{
    m_alive = false;
}

int ConstantsListDialog::exec()
{
    if (m_rows.empty()) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void ConstantsListDialog::buildControls()
{
    const char* headers[] = { "Address", "Contents", "VALUE", "Unit", "Hex" };
    for (int i = 0; i < 5; ++i) {
        m_headers[i] = new QLabel(QString::fromLatin1(headers[i]), this);
        m_headers[i]->setAlignment(Qt::AlignCenter);
    }
    // The address column is not shown, and the raw column gives way to the scroll bar.
    m_headers[0]->hide();
    m_headers[4]->hide();

    QPalette white = palette();
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Active, QPalette::Text, Qt::black);
    white.setColor(QPalette::Inactive, QPalette::Text, Qt::black);
    // A read-only constant is shown greyed, still on white.
    white.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    white.setColor(QPalette::Disabled, QPalette::Base, Qt::white);
    for (int r = 0; r < kRows; ++r) {
        Cell& c = m_cells[r];
        c.address = new QLabel(this);
        c.address->hide();
        c.contents = new QLabel(this);
        c.value = new QLineEdit(this);
        c.unit = new QLabel(this);
        c.raw = new QLineEdit(this);
        c.raw->hide();
        c.raw->setEnabled(false);
        for (QLineEdit* edit : { c.value, c.raw }) {
            edit->setFrame(false);
            edit->setPalette(white);
            edit->setMaxLength(254);
            edit->installEventFilter(this);
        }
        c.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        c.contents->setTextFormat(Qt::PlainText);
        c.unit->setTextFormat(Qt::PlainText);
    }

    m_scrollChild = new ScrollChild(this, [this] {
        const int row = m_currentCell / 2;
        if (row < kRows && m_cells[row].value->isEnabled())
            m_cells[row].value->setFocus();
    });
    m_scrollBar = new QScrollBar(Qt::Vertical, m_scrollChild);
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, &ConstantsListDialog::onScrollAction);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (value != m_top) {
            m_top = value;
            fillRows();
        }
    });

    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_enterButton = new QPushButton(QStringLiteral("O&K"), this);
    m_enterButton->hide();
    m_enterButton->setDefault(true); // so that no visible button is drawn as the default
    // Enter on a focused button presses it; Enter in an edit commits the edit
    // (the edits' filter takes it before the dialog sees it).
    m_ok->setAutoDefault(true);
    m_cancel->setAutoDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_enterButton, &QPushButton::clicked, this, [this] { commitFocusedEdit(); });
}

void ConstantsListDialog::layOut()
{
    const QFontMetrics fm(font());
    const int rowHeight = fm.height() + 6;
    int contentsWidth = fm.horizontalAdvance(QStringLiteral("Contents"));
    int unitWidth = fm.horizontalAdvance(QStringLiteral("Unit"));
    for (const ConstantRow& row : m_rows) {
        contentsWidth = std::max(contentsWidth, fm.horizontalAdvance(qs(row.contents)));
        unitWidth = std::max(unitWidth, fm.horizontalAdvance(qs(row.unit)));
    }
    contentsWidth = std::max(contentsWidth + 16, 150);
    unitWidth = std::max(unitWidth + 16, 60);
    const int valueWidth
        = std::max(fm.horizontalAdvance(QStringLiteral("-000000.00")), fm.horizontalAdvance(QStringLiteral("VALUE"))) + 16;
    const int scrollWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 1;

    m_columnEdges = { kMargin, kMargin + contentsWidth, kMargin + contentsWidth + valueWidth,
                      kMargin + contentsWidth + valueWidth + unitWidth,
                      kMargin + contentsWidth + valueWidth + unitWidth + scrollWidth };
    const int headerTop = kMargin;
    m_rowBottoms[0] = headerTop + rowHeight;
    for (int r = 1; r <= kRows; ++r)
        m_rowBottoms[r] = m_rowBottoms[0] + r * rowHeight;

    auto cellRect = [&](int column, int row) {
        const int top = m_rowBottoms[row];
        return QRect(m_columnEdges[column] + 1, top + 1,
                     m_columnEdges[column + 1] - m_columnEdges[column] - 1, rowHeight - 1);
    };
    m_headers[1]->setGeometry(m_columnEdges[0], headerTop, contentsWidth, rowHeight);
    m_headers[2]->setGeometry(m_columnEdges[1], headerTop, valueWidth, rowHeight);
    m_headers[3]->setGeometry(m_columnEdges[2], headerTop, unitWidth, rowHeight);
    m_headers[4]->setGeometry(m_columnEdges[3], headerTop, scrollWidth, rowHeight);
    for (int r = 0; r < kRows; ++r) {
        Cell& c = m_cells[r];
        c.contents->setGeometry(cellRect(0, r).adjusted(4, 0, -2, 0));
        c.value->setGeometry(cellRect(1, r).adjusted(0, 0, -2, 0));
        c.unit->setGeometry(cellRect(2, r).adjusted(4, 0, -2, 0));
        c.raw->setGeometry(cellRect(3, r));
    }
    m_scrollChild->setGeometry(m_columnEdges[3] + 1, m_rowBottoms[0] + 1, scrollWidth - 1,
                               m_rowBottoms[kRows] - m_rowBottoms[0] - 1);
    m_scrollBar->setGeometry(m_scrollChild->rect());

    const QSize button = m_cancel->sizeHint().expandedTo(QSize(84, 0));
    const int right = m_columnEdges[4];
    const int buttonTop = m_rowBottoms[kRows] + kButtonGap;
    m_cancel->setGeometry(right - button.width(), buttonTop, button.width(), button.height());
    m_ok->setGeometry(right - 2 * button.width() - 8, buttonTop, button.width(), button.height());
    setFixedSize(right + kMargin, buttonTop + button.height() + kMargin);
}

const ConstantRow* ConstantsListDialog::entry(int row) const
{
    const int index = m_top + row;
    if (row < 0 || row >= kRows || index >= static_cast<int>(m_rows.size()))
        return nullptr;
    return &m_rows[static_cast<std::size_t>(index)];
}

int ConstantsListDialog::lastRow() const
{
    return std::min(static_cast<int>(m_rows.size()) - 1, kRows - 1);
}

void ConstantsListDialog::fillRows()
{
    for (int r = 0; r < kRows; ++r) {
        Cell& c = m_cells[r];
        const ConstantRow* e = entry(r);
        const bool used = e != nullptr;
        for (QWidget* w : { static_cast<QWidget*>(c.address), static_cast<QWidget*>(c.contents),
                            static_cast<QWidget*>(c.value), static_cast<QWidget*>(c.unit) })
            w->setEnabled(used);
        if (!used) {
            c.address->clear();
            c.contents->clear();
            c.value->clear();
            c.unit->clear();
            c.raw->clear();
            continue;
        }
        c.address->setText(qs(rowAddressText(*e)));
        c.contents->setText(qs(e->contents));
        c.unit->setText(qs(e->unit));
        refreshRow(r);
        if (e->readOnly)
            c.value->setEnabled(false);
    }
}

void ConstantsListDialog::refreshRow(int row)
{
    const ConstantRow* e = entry(row);
    if (!e)
        return;
    const std::uint32_t raw = rowRaw(*e, m_working);
    m_cells[row].value->setText(qs(rowValueText(*e, raw)));
    m_cells[row].value->setCursorPosition(0);
    m_cells[row].raw->setText(qs(rowRawText(*e, raw)));
}

int ConstantsListDialog::rowOf(const QObject* edit) const
{
    for (int r = 0; r < kRows; ++r)
        if (m_cells[r].value == edit || m_cells[r].raw == edit)
            return r;
    return -1;
}

void ConstantsListDialog::showMessage(const Message& message)
{
    const bool was = m_committing;
    m_committing = true;
    m_prompts.show(message);
    m_committing = was;
}

void ConstantsListDialog::store(int row, std::uint32_t raw, bool writeToEcu)
{
    const ConstantRow* e = entry(row);
    if (!e)
        return;
    storeRowRaw(*e, raw, m_working);
    if (writeToEcu && m_writeToEcu)
        m_writeToEcu(*e, raw);
}

bool ConstantsListDialog::commitValue(int row, bool writeToEcu, bool showMessages)
{
    const ConstantRow* e = entry(row);
    if (m_committing || !m_alive || !e || !m_cells[row].value->isEnabled())
        return false;
    m_committing = true;
    const std::uint32_t current = rowRaw(*e, m_working);
    const std::string text = m_cells[row].value->text().toStdString();
    bool clean = false;
    // The text shows the stored value rounded to two decimals: leaving it
    // as it is keeps the stored value rather than the rounded one.
    if (text == rowValueText(*e, current)) {
        store(row, current, writeToEcu);
        refreshRow(row);
        clean = true;
    } else {
        const ConstantCommit commit = commitValueText(*e, text);
        if (!commit.stored) {
            if (commit.message)
                m_prompts.show(*commit.message);
            refreshRow(row);
        } else {
            store(row, commit.raw, writeToEcu);
            refreshRow(row);
            if (commit.message && showMessages)
                m_prompts.show(*commit.message);
            clean = !commit.clamped;
        }
    }
    m_committing = false;
    return clean;
}

bool ConstantsListDialog::commitRaw(int row)
{
    const ConstantRow* e = entry(row);
    if (m_committing || !m_alive || !e)
        return false;
    m_committing = true;
    const ConstantCommit commit = commitRawText(*e, m_cells[row].raw->text().toStdString());
    if (commit.stored) {
        store(row, commit.raw, false);
    } else if (commit.message) {
        m_prompts.show(*commit.message);
    }
    refreshRow(row);
    m_committing = false;
    return commit.stored;
}

void ConstantsListDialog::step(int row, bool up)
{
    const ConstantRow* e = entry(row);
    if (!e || !commitValue(row, false, false))
        return;
    const auto next = stepRaw(*e, rowRaw(*e, m_working), up);
    if (!next)
        return;
    m_cells[row].raw->setText(qs(rowRawText(*e, *next)));
    if (!commitRaw(row))
        commitValue(row, false, false);
    m_cells[row].value->selectAll();
}

void ConstantsListDialog::moveVertically(int row, int delta)
{
    for (int r = row + delta; r >= 0 && r <= lastRow(); r += delta) {
        if (m_cells[r].value->isEnabled()) {
            m_cells[r].value->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    const bool atEdge = delta < 0 ? row == 0 : row == lastRow();
    if (!m_scrolling || !atEdge)
        return;
    const int next = m_top + delta;
    if (next < m_scrollBar->minimum() || next > m_scrollBar->maximum())
        return;
    // The row shows another entry next: what was typed is committed first.
    commitValue(row, false, true);
    scrollTo(next);
    if (m_cells[row].value->isEnabled()) {
        m_cells[row].value->setFocus(Qt::OtherFocusReason);
        m_cells[row].value->selectAll();
    }
}

void ConstantsListDialog::scrollTo(int top)
{
    top = std::clamp(top, m_scrollBar->minimum(), m_scrollBar->maximum());
    if (top == m_top)
        return;
    m_scrollBar->setValue(top); // refills the rows through valueChanged
}

void ConstantsListDialog::commitFocusedEdit()
{
    const int row = rowOf(focusWidget());
    if (row >= 0 && focusWidget() == m_cells[row].value)
        commitValue(row, false, true);
}

void ConstantsListDialog::onScrollAction(int)
{
    // The edit being left is committed before the rows show other entries.
    commitFocusedEdit();
}

bool ConstantsListDialog::eventFilter(QObject* watched, QEvent* event)
{
    const int row = rowOf(watched);
    if (row < 0 || !m_alive)
        return QDialog::eventFilter(watched, event);
    QLineEdit* edit = qobject_cast<QLineEdit*>(watched);
    const bool isValue = edit == m_cells[row].value;
    switch (event->type()) {
    case QEvent::FocusIn:
        m_currentCell = 2 * row + (isValue ? 0 : 1);
        // Selected after the focus change has settled, as a click would undo it.
        QTimer::singleShot(0, edit, [edit] {
            edit->selectAll();
        });
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (isValue && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            commitValue(row, false, true);
        break;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool shift = key->modifiers() & Qt::ShiftModifier;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (isValue)
                commitValue(row, shift, true);
            return true;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            step(m_currentCell / 2, key->key() == Qt::Key_PageUp);
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!shift)
                break;
            moveVertically(row, key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        case Qt::Key_Tab:
            m_cancel->setFocus(Qt::TabFocusReason);
            return true;
        case Qt::Key_Backtab:
            m_ok->setFocus(Qt::BacktabFocusReason);
            return true;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void ConstantsListDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    const QRect table(m_columnEdges[0], m_rowBottoms[0], m_columnEdges[4] - m_columnEdges[0],
                      m_rowBottoms[kRows] - m_rowBottoms[0]);
    painter.fillRect(table, Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    for (const int x : m_columnEdges)
        painter.drawLine(x, m_rowBottoms[0], x, m_rowBottoms[kRows]);
    for (const int y : m_rowBottoms)
        painter.drawLine(m_columnEdges[0], y, m_columnEdges[4], y);
}

void ConstantsListDialog::wheelEvent(QWheelEvent* event)
{
    // The wheel over the rows scrolls them as the scroll bar would.
    if (m_scrolling)
        QCoreApplication::sendEvent(m_scrollBar, event);
    else
        QDialog::wheelEvent(event);
}

// --- the command -------------------------------------------------------------------------

bool runConstantsList(EcuDataSet& data, Prompts& prompts, EcuProtocol& protocol, QWidget* parent)
{
    // The whole image, so that a constant at the last address can be edited too.
    auto working = std::make_unique<EcuImage>();
    const auto image = data.image();
    std::copy(image.begin(), image.end(), working->begin());
    const auto before = std::make_unique<EcuImage>(*working);

    auto writeToEcu = [&data, &prompts, &protocol](const ConstantRow& row, std::uint32_t raw) {
        const Status sent = row.scaling.size == 2
            ? protocol.SCommandWord(row.address, static_cast<std::uint16_t>(raw))
            : protocol.SCommand(row.address, static_cast<std::uint8_t>(raw));
        if (!sent)
            prompts.show(sent.error());
        // Into the data set at once: the value stays even if the list is cancelled.
        const auto store = [&data](std::uint16_t address, std::uint8_t value) {
            data.write(address, value, false);
            ForgetRedoAt(data, address);
        };
        if (row.scaling.size == 2) {
            store(row.address, static_cast<std::uint8_t>(raw >> 8));
            store(static_cast<std::uint16_t>(row.address + 1), static_cast<std::uint8_t>(raw));
        } else {
            store(row.address, static_cast<std::uint8_t>(raw));
        }
    };

    ConstantsListDialog dialog(data.definition(), *working, prompts, writeToEcu, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // Only the bytes the list changed go back, each through the data set.
    for (std::size_t a = 0; a < kImageSize; ++a) {
        const auto address = static_cast<std::uint16_t>(a);
        if ((*working)[a] != (*before)[a] && (*working)[a] != data.read(address)) {
            data.write(address, (*working)[a]);
            ForgetRedoAt(data, address);
        }
    }
    return true;
}

} // namespace zlm
