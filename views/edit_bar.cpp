#include "views/edit_bar.h"

#include "app/vex_app.h"
#include "data/conversion.h"
#include "base/line_list.h"
#include "data/map_access.h"
#include "views/edit_bar_icons.h"
#include "views/table_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <optional>

namespace zlm {

namespace {

constexpr int kButtonSize = 24;   // pixels, the icon buttons
constexpr int kIconSize = 16;     // pixels
constexpr int kLabelComboMaxWidth = 220;  // pixels: room for a long map name
constexpr int kLineComboMaxWidth = 120;

float physical(const AxisDescriptor& axis, std::uint16_t raw)
{
    // A failed conversion still shows the value it reached.
    return axis.width == 2 ? rawWordToPhysical(axis, raw).value
                           : rawByteToPhysical(axis, static_cast<std::uint8_t>(raw)).value;
}

QToolButton* makeButton(int id, const char* name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    // The text every icon button carries; only its icon is shown.
    button->setText(QStringLiteral("Button1"));
    button->setIcon(editBarIcon(id));
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setAutoRaise(true);
    button->setToolTip(QString::fromLatin1(name));
    button->setAccessibleName(QString::fromLatin1(name));
    // Clicking a button must not pull the focus out of a cell editor.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(kButtonSize - 6);
    return line;
}

} // namespace

const std::array<const char*, 11>& editBarButtonNames()
{
    static const std::array<const char*, 11> names{
        "Open",           "Save",    "Menu",     "Copy",          "Paste",          "Undo",
        "Multi Map Edit", "Monitor", "Item set", "Data Exchange", "Constants list"};
    return names;
}

EditBar::EditBar(CVexApp& app, QWidget* parent) : QWidget(parent), m_app(app)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 3, 4, 3);
    layout->setSpacing(1);

    for (std::size_t i = 0; i < kButtonCommands.size(); ++i) {
        const int id = kButtonCommands[i];
        m_buttons[i] = makeButton(id, editBarButtonNames()[i], this);
        connect(m_buttons[i], &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
        layout->addWidget(m_buttons[i]);
        // Groups: file (Open, Save, Menu), editing (Copy, Paste, Undo), tools.
        if (i == 2 || i == 5 || i == kButtonCommands.size() - 1) {
            layout->addSpacing(4);
            layout->addWidget(separator(this));
            layout->addSpacing(6);
        }
    }

    m_labelCaption = new QLabel(QStringLiteral("La&bel"), this);
    m_labelCombo = new QComboBox(this);
    m_labelCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_labelCombo->setMinimumContentsLength(6);
    m_labelCombo->setMaximumWidth(kLabelComboMaxWidth);
    m_labelCaption->setBuddy(m_labelCombo);
    layout->addWidget(m_labelCaption);
    layout->addSpacing(4);
    layout->addWidget(m_labelCombo, 3);
    layout->addSpacing(10);

    m_lineCaption = new QLabel(QStringLiteral("&Line"), this);
    m_lineCombo = new QComboBox(this);
    m_lineCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_lineCombo->setMinimumContentsLength(3);
    m_lineCombo->setMaximumWidth(kLineComboMaxWidth);
    m_lineCaption->setBuddy(m_lineCombo);
    layout->addWidget(m_lineCaption);
    layout->addSpacing(4);
    layout->addWidget(m_lineCombo, 1);
    layout->addStretch(1);

    // Kept up to date, never shown.
    m_allCheck = new QCheckBox(QStringLiteral("&ALL"), this);
    m_allCheck->setTristate(true);
    m_dataCaption = new QLabel(QStringLiteral("&Data"), this);
    m_dataField = new QLineEdit(this);
    m_dataField->setMaxLength(kDataFieldLength);
    m_dataCaption->setBuddy(m_dataField);
    m_pointCaption = new QLabel(QStringLiteral("Point"), this);
    m_pointField = new QLineEdit(this);
    m_pointField->setReadOnly(true);
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);
    for (QWidget* hidden : std::initializer_list<QWidget*>{m_allCheck, m_dataCaption, m_dataField,
                                                          m_pointCaption, m_pointField, m_okButton})
        hidden->hide();

    connect(m_labelCombo, &QComboBox::activated, this, &EditBar::labelChosen);
    connect(m_lineCombo, &QComboBox::activated, this, &EditBar::lineChosen);
    connect(m_okButton, &QPushButton::clicked, this, &EditBar::okCommand);
    m_dataField->installEventFilter(this);
}

EditBar::~EditBar() = default;

QToolButton* EditBar::button(int commandId) const
{
    for (std::size_t i = 0; i < kButtonCommands.size(); ++i) {
        if (kButtonCommands[i] == commandId)
            return m_buttons[i];
    }
    return nullptr;
}

void EditBar::setCommandEnabled(int commandId, bool enabled)
{
    if (QToolButton* b = button(commandId))
        b->setEnabled(enabled);
}

void EditBar::fillLabels()
{
    const QSignalBlocker block(m_labelCombo);
    m_labelCombo->clear();
    for (const MapDefinition& map : m_app.data().maps())
        m_labelCombo->addItem(QString::fromStdString(map.name));
    m_labelCombo->setCurrentIndex(-1);
}

void EditBar::setLabels(const std::vector<std::string>& labels)
{
    const QSignalBlocker block(m_labelCombo);
    m_labelCombo->clear();
    for (const std::string& label : labels)
        m_labelCombo->addItem(QString::fromStdString(label));
    m_labelCombo->setCurrentIndex(-1);
}

bool EditBar::showLabel(const std::string& label)
{
    const int index = m_labelCombo->findText(QString::fromStdString(label), Qt::MatchExactly);
    if (index < 0)
        return false;
    const QSignalBlocker block(m_labelCombo);
    m_labelCombo->setCurrentIndex(index);
    return true;
}

void EditBar::fillLines()
{
    const QSignalBlocker block(m_lineCombo);
    m_lineCombo->clear();
    const EcuDataSet& data = m_app.data();
    const MapDefinition* map = m_app.data().currentMap();
    if (!map)
        return;
    if (data.mapMode == MapMode::Config) {
        // List axes: the Z values are written in the definition.
        const auto values = text::splitFields(map->z.values);
        for (std::size_t i = 0; i < values.size() && i < map->z.count; ++i)
            m_lineCombo->addItem(QString::fromStdString(m_app.formatZ(readReal(values[i]))),
                                 static_cast<int>(i));
    } else {
        for (int i = 0; i < map->z.count; ++i) {
            const std::uint16_t raw = readZPoint(data.image(), *map, i);
            m_lineCombo->addItem(QString::fromStdString(m_app.formatZ(physical(map->z, raw))), raw);
        }
    }
    if (map->edit.line >= 0 && map->edit.line < m_lineCombo->count())
        m_lineCombo->setCurrentIndex(map->edit.line);
}

void EditBar::setLineText(int index, const QString& text)
{
    if (index >= 0 && index < m_lineCombo->count())
        m_lineCombo->setItemText(index, text);
}

void EditBar::refresh()
{
    const EcuDataSet& data = m_app.data();
    const MapDefinition* map = m_app.data().currentMap();
    if (!map)
        return;
    const MapEditState& edit = map->edit;
    auto selectLine = [this, &edit] {
        if (edit.line >= 0 && edit.line < m_lineCombo->count()) {
            const QSignalBlocker block(m_lineCombo);
            m_lineCombo->setCurrentIndex(edit.line);
        }
    };
    if (data.mapMode == MapMode::Free) {
        // The X value and the data value of the current cell.
        const CellRead y = readDataCell(data.image(), *map, edit.line, edit.point);
        if (!y.ok())
            return;
        const std::uint16_t x = readXPoint(data.image(), *map, edit.line, edit.point);
        if (edit.part == EditPart::Throt) {
            selectLine();
            m_pointField->clear();
            m_dataField->clear();
            return;
        }
        m_pointField->setText(QString::fromStdString(m_app.formatX(physical(map->x, x))));
        if (edit.part == EditPart::Data)
            m_dataField->setText(QString::fromStdString(m_app.formatY(physical(map->y, y.value))));
        else
            m_dataField->clear();
        selectLine();
        return;
    }
    selectLine();
    const auto points = text::splitFields(map->x.values);
    m_pointField->setText(edit.point >= 0 && static_cast<std::size_t>(edit.point) < points.size()
                              ? QString::fromUtf8(points[edit.point].data(),
                                                  static_cast<qsizetype>(points[edit.point].size()))
                              : QString());
    // The current cell as it is in the image now: a read from the ECU or
    // another editor may have changed it since it was made current.
    const std::uint16_t raw = currentCellValue(data, *map).value_or(edit.currentValue);
    m_dataField->setText(QString::fromStdString(m_app.formatY(physical(map->y, raw))));
}

void EditBar::showAllFlag()
{
    const MapDefinition* map = m_app.data().currentMap();
    m_allCheck->setEnabled(true);
    m_allCheck->setCheckState(map && map->edit.all ? Qt::Checked : Qt::Unchecked);
}

void EditBar::clearForClosedDocument()
{
    {
        const QSignalBlocker block(m_lineCombo);
        m_lineCombo->clear();
    }
    m_pointField->clear();
    m_dataField->clear();
    m_allCheck->setEnabled(false);
}

void EditBar::clearAll()
{
    clearForClosedDocument();
    const QSignalBlocker block(m_labelCombo);
    m_labelCombo->clear();
}

void EditBar::keyPressEvent(QKeyEvent* event)
{
    // Enter in any control of the bar is the default button's command.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit okCommand();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool EditBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_dataField && event->type() == QEvent::FocusOut)
        emit dataFieldLeft();
    return QWidget::eventFilter(watched, event);
}

} // namespace zlm
