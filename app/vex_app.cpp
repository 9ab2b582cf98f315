#include "app/vex_app.h"

#include "data/conversion.h"
#include "platform/ini_file.h"
#include "platform/termios_port.h"

#include <cassert>
#include <system_error>

namespace zlm {

CVexApp::CVexApp()
    : m_data(std::make_unique<EcuDataSet>(definitionLines))
    , m_link(std::make_unique<SerialLink>(serial))
    , m_protocol(std::make_unique<EcuProtocol>(*m_link, settings, [this] {
        if (m_pump)
            m_pump();
    }))
    , m_monitor(std::make_unique<MonitorPoller>(*m_link))
{
    m_link->monitorStep = [this] { m_monitor->step(); };
    // "PORT1".."PORT8" name devices through the settings file's "DEVICES" section.
    m_link->setDeviceResolver([this](int portIndex) { return portDevicePath(portIndex, iniPath); });
    // Every load re-reads the definition's serial parameters.
    m_data->afterLoad = [this](const LineList& definition) {
        applyDefinitionSerialSettings(definition, serial);
        m_monitor->setItems(parseDiagItems(definition));
        m_monitor->setSelection(readMonitorSelection(IniFile(iniPath), m_monitor->items()));
    };
}

CVexApp::~CVexApp()
{
    // The expanded definition file lives only as long as the program; a file
    // that cannot be removed any more is no reason to fail the exit.
    if (!tempDefinitionPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(tempDefinitionPath, ec);
    }
}

Prompts& CVexApp::prompts()
{
    assert(m_prompts && "prompts are chosen at start-up");
    return *m_prompts;
}

std::string CVexApp::formatX(float value) const
{
    return zlm::formatX(formats, value);
}
std::string CVexApp::formatY(float value) const
{
    return zlm::formatY(formats, value);
}
std::string CVexApp::formatZ(float value) const
{
    return zlm::formatZ(formats, value);
}

} // namespace zlm
