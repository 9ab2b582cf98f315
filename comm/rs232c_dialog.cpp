#include "comm/rs232c_dialog.h"

#include "comm/dialog_font.h"
#include "platform/ini_file.h"
#include "platform/prompts.h"
#include "platform/serial_devices.h"
#include "platform/termios_port.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zlm {
namespace {

constexpr const char* kCaption = "RS232C Parameter Set";

struct GroupTexts {
    const char* title;
    std::vector<const char*> buttons;
};

const std::array<GroupTexts, Rs232cDialog::kGroupCount>& groupTexts()
{
    static const std::array<GroupTexts, Rs232cDialog::kGroupCount> texts{{
        {"&Speed", {"600", "1200", "2400", "4800", "9600", "19200"}},
        {"&Bit", {"7", "8"}},
        {"&Parity", {"No", "Odd", "Even"}},
        {"S&top", {"1", "1.5", "2"}},
        {"P&ort", {"Port1", "Port2", "Port3", "Port4", "Port5", "Port6", "Port7", "Port8"}},
    }};
    return texts;
}

void check(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id))
        button->setChecked(true);
}

} // namespace

Rs232cDialog::Rs232cDialog(const SerialSettings& settings, const std::filesystem::path& iniPath,
                           Prompts& prompts, std::vector<std::string> devices, int fontPixels,
                           QWidget* parent)
    : QDialog(parent), m_iniPath(iniPath), m_prompts(prompts), m_result(settings)
{
    setWindowTitle(QString::fromLatin1(kCaption));

    auto* grid = new QGridLayout;
    for (std::size_t g = 0; g < kGroupCount; ++g) {
        const GroupTexts& texts = groupTexts()[g];
        m_boxes[g] = new QGroupBox(QString::fromLatin1(texts.title), this);
        m_groups[g] = new QButtonGroup(this);
        auto* layout = new QGridLayout(m_boxes[g]);
        for (std::size_t i = 0; i < texts.buttons.size(); ++i) {
            auto* button = new QRadioButton(QString::fromLatin1(texts.buttons[i]), m_boxes[g]);
            m_groups[g]->addButton(button, static_cast<int>(i));
            // The port group: Port1..Port4 in the first column, Port5..Port8 in the second.
            const int row = g == kPort ? static_cast<int>(i % 4) : static_cast<int>(i);
            const int column = g == kPort ? static_cast<int>(i / 4) : 0;
            layout->addWidget(button, row, column);
        }
        grid->addWidget(m_boxes[g], 0, static_cast<int>(g), Qt::AlignTop);
    }
    m_xflow = new QCheckBox(QStringLiteral("&X Fllow"), this);
    grid->addWidget(m_xflow, 1, 0);

    // The device of the checked port, under the port group.
    auto* deviceBox = new QVBoxLayout;
    auto* deviceCaption = new QLabel(QStringLiteral("De&vice"), this);
    m_device = new QComboBox(this);
    m_device->setEditable(true);
    m_device->setFont(programDialogFont(fontPixels));
    m_device->setInsertPolicy(QComboBox::NoInsert);
    m_device->setMinimumContentsLength(18);
    m_device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    for (const std::string& device : devices)
        m_device->addItem(QString::fromStdString(device));
    deviceCaption->setBuddy(m_device);
    m_deviceState = new QLabel(this);
    m_deviceState->setWordWrap(true);
    QPalette statePalette = m_deviceState->palette();
    statePalette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    m_deviceState->setPalette(statePalette);
    deviceBox->addWidget(deviceCaption);
    deviceBox->addWidget(m_device);
    deviceBox->addWidget(m_deviceState);
    grid->addLayout(deviceBox, 1, kPort);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_default = new QPushButton(QStringLiteral("&Default"), this);
    ok->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(m_default);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The values of the six fields.
    check(m_groups[kSpeed], settings.speedIndex);
    check(m_groups[kBits], settings.dataBitsIndex);
    check(m_groups[kParity], settings.parityIndex);
    check(m_groups[kStop], settings.stopBitsIndex);
    m_xflow->setChecked(settings.flowIndex == 0);
    check(m_groups[kPort], settings.portIndex >= 1 && settings.portIndex <= 7 ? settings.portIndex : 0);

    // Only the port group is offered; hidden groups take no room, so the port
    // group stands where the speed group would and the dialog is no wider.
    for (std::size_t g = 0; g < kPort; ++g) {
        m_boxes[g]->setVisible(false);
        m_boxes[g]->setEnabled(false);
    }
    m_xflow->setVisible(false);
    m_xflow->setEnabled(false);
    m_default->setVisible(false);
    m_default->setEnabled(false);

    connect(m_groups[kPort], &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            showDeviceOf(id);
    });
    connect(m_device, &QComboBox::currentTextChanged, this, [this] { showDeviceState(); });
    connect(ok, &QPushButton::clicked, this, &Rs232cDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showDeviceOf(m_groups[kPort]->checkedId());
}

Rs232cDialog::~Rs232cDialog() = default;

void Rs232cDialog::showDeviceOf(int port)
{
    m_devicePort = port;
    m_deviceAtOpening = portDevicePath(port, m_iniPath);
    m_device->setEditText(QString::fromStdString(m_deviceAtOpening));
    showDeviceState();
}

void Rs232cDialog::showDeviceState()
{
    const std::string device = m_device->currentText().trimmed().toStdString();
    switch (checkDevice(device)) {
    case DeviceState::Usable:
        m_deviceState->clear();
        break;
    case DeviceState::Missing:
        m_deviceState->setText(QStringLiteral("This device does not exist."));
        break;
    case DeviceState::NotAccessible:
        m_deviceState->setText(
            QStringLiteral("No permission to use this device (is the user in group dialout?)."));
        break;
    }
}

void Rs232cDialog::accept()
{
    const std::array<int, kGroupCount> ids{
        m_groups[kSpeed]->checkedId(), m_groups[kBits]->checkedId(), m_groups[kParity]->checkedId(),
        m_groups[kStop]->checkedId(), m_groups[kPort]->checkedId()};
    if (std::find(ids.begin(), ids.end(), -1) != ids.end()) {
        m_prompts.message("All Parameters are not defined", kCaption, Icon::Exclamation);
        return;
    }
    m_result.speedIndex = ids[kSpeed];
    m_result.dataBitsIndex = ids[kBits];
    m_result.parityIndex = ids[kParity];
    m_result.stopBitsIndex = ids[kStop];
    m_result.flowIndex = m_xflow->isChecked() ? 0 : 1;
    m_result.portIndex = ids[kPort];

    IniFile ini(m_iniPath);
    const std::string port = "PORT" + std::to_string(m_result.portIndex + 1);
    (void)ini.writeString("RS232C", "PORT", port);
    const std::string device = m_device->currentText().trimmed().toStdString();
    if (!device.empty() && device != m_deviceAtOpening)
        (void)ini.writeString("DEVICES", port, device);
    QDialog::accept();
}

} // namespace zlm
