#pragma once
// The modal "RS232C Parameter Set" dialog. It carries a control for each of the
// six serial fields, but only the port group is shown: the other groups are
// hidden, so the port group takes the speed group's place and the dialog
// shrinks around it. Under the port group the device of the checked port can
// be picked from the machine's serial devices or typed, and whether it can be
// used is said at once. OK writes "PORT" (section "RS232C") and, when the
// device was changed, the port's key of section "DEVICES".
#include "base/app_settings.h"

#include <QDialog>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace zlm {

class Prompts;

class Rs232cDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Rs232cDialog)
public:
    // `devices`: the serial devices offered in the drop-down.
    // `fontPixels`: the program's dialog font size, used for the device field.
    Rs232cDialog(const SerialSettings& settings, const std::filesystem::path& iniPath,
                 Prompts& prompts, std::vector<std::string> devices, int fontPixels,
                 QWidget* parent = nullptr);
    ~Rs232cDialog() override;

    // After OK: the six fields read from the dialog (the time-out as given).
    const SerialSettings& settings() const { return m_result; }

    // --- controls, for tests and screenshots ------------------------------------
    QButtonGroup* group(int which) const { return m_groups[static_cast<std::size_t>(which)]; }
    QGroupBox* portBox() const { return m_boxes[kPort]; }
    QGroupBox* speedBox() const { return m_boxes[kSpeed]; }
    QComboBox* deviceList() const { return m_device; }
    QLabel* deviceState() const { return m_deviceState; }
    QPushButton* defaultButton() const { return m_default; }

    enum Group { kSpeed, kBits, kParity, kStop, kPort, kGroupCount };

public slots:
    void accept() override;

private:
    void showDeviceOf(int port);
    void showDeviceState();

    std::filesystem::path m_iniPath;
    Prompts& m_prompts;
    SerialSettings m_result;
    std::array<QGroupBox*, kGroupCount> m_boxes{};
    std::array<QButtonGroup*, kGroupCount> m_groups{};
    QCheckBox* m_xflow = nullptr;
    QPushButton* m_default = nullptr;
    QComboBox* m_device = nullptr;
    QLabel* m_deviceState = nullptr;
    int m_devicePort = -1;          // the port whose device the drop-down shows
    std::string m_deviceAtOpening;  // that device as the settings name it
};

} // namespace zlm
