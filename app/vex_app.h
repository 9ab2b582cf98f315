#pragma once
// CVexApp: the application object, one per process. It owns everything that
// lives longer than a window: the settings, the definition lines, the ECU data
// set and the prompts. Windows and dialogs receive it (or the parts they need)
// in their constructors.
#include "base/app_settings.h"
#include "comm/ecu_protocol.h"
#include "comm/monitor_poller.h"
#include "comm/serial_link.h"
#include "data/ecu_data_set.h"
#include "base/line_list.h"
#include "platform/prompts.h"

#include <filesystem>
#include <memory>
#include <string>

namespace zlm {

class CVexApp {
public:
    CVexApp();
    ~CVexApp(); // deletes the expanded definition file
    CVexApp(const CVexApp&) = delete;
    CVexApp& operator=(const CVexApp&) = delete;

    // --- settings (read once at start-up) -------------------------------------
    AppSettings settings; // registry values
    SerialSettings serial; // INI "RS232C"
    DisplayFormats formats; // INI "PRECISION"
    PrintSettings print; // INI "PRINT"
    int undoSize = 1024; // INI "UNDO"/"SIZE"
    bool tableShading = true; // INI "TABLE WINDOW"/"SHADING": tint DATA cells by value
    std::string workingDirectory; // INI "DIRECTORY"/"PATH1"
    std::string batchSource; // first command-line argument of a batch conversion
    std::string batchTarget; // second one
    int screenWidth = 1024;
    int screenHeight = 768;

    // Paths of the program and its settings.
    std::string programName = "ZLM350"; // the executable's base name
    std::filesystem::path programDir;
    std::filesystem::path programPath; // full path of the running program
    std::filesystem::path iniPath; // the settings file "ZLM350.ini"
    std::filesystem::path settingsDir; // stands for the Windows folder
    std::filesystem::path tempDefinitionPath; // "zlmst0.tmp", deleted at exit

    // --- owned state ------------------------------------------------------------
    LineList definitionLines;
    EcuDataSet& data() { return *m_data; }
    const EcuDataSet& data() const { return *m_data; }
    // The prompts chosen at start-up (scripted or Qt); set before first use.
    Prompts& prompts();
    void setPrompts(std::unique_ptr<Prompts> prompts) { m_prompts = std::move(prompts); }

    // The serial line to the ECU and the protocol spoken on it. The pump
    // dispatches one pending window message while the protocol waits.
    SerialLink& link() { return *m_link; }
    EcuProtocol& protocol() { return *m_protocol; }
    void setPump(EcuProtocol::Pump pump) { m_pump = std::move(pump); }
    // The live monitor: its items are read from "Diag.Com" and "DIAGSELECT"
    // on every load; the link's timer tick runs its poll step.
    MonitorPoller& monitor() { return *m_monitor; }

    // Formats a physical value with the X, Y or Z display format.
    std::string formatX(float value) const;
    std::string formatY(float value) const;
    std::string formatZ(float value) const;

private:
    std::unique_ptr<EcuDataSet> m_data;
    std::unique_ptr<Prompts> m_prompts;
    EcuProtocol::Pump m_pump;
    std::unique_ptr<SerialLink> m_link;
    std::unique_ptr<EcuProtocol> m_protocol;
    std::unique_ptr<MonitorPoller> m_monitor;
};

} // namespace zlm
