#pragma once
// The sample definition and standard data set for the tool dialogs' tests:
// Fuel Map1..4 (8 x 12), Ign Map1..4 (6 x 10), Fuel Fine, Ign Trim, Accel Pump
// and Shift Cut. The definition presets the link Fuel Map1..4 unless asked not to.
#include "data/ecu_data_set.h"
#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <filesystem>
#include <string>

namespace zlm::test {

inline LineList standardDefinition(bool withPreset)
{
    auto lines = readTextLines(std::string(ZLM_RES_DIR) + "/ZLM350.def");
    EXPECT_TRUE(lines.has_value());
    LineList definition = lines.value_or(LineList{});
    if (!withPreset) {
        const int header = definition.findSection("Multi Map");
        if (header >= 0)
            definition.at(static_cast<std::size_t>(header)) = "[No Preset]";
    }
    return definition;
}

inline void loadStandardData(EcuDataSet& data)
{
    const LoadResult result = data.load(std::string(ZLM_RES_DIR) + "/Standard_data.lyn");
    ASSERT_TRUE(result.ok()) << result.message.text;
    data.setPath(std::string(ZLM_RES_DIR) + "/Standard_data.lyn");
    data.setCurrentMap(0);
}

// Saves a picture of `widget` into the build folder's screenshots.
inline void saveScreenshot(QWidget& widget, const QString& name)
{
    const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(widget.grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

} // namespace zlm::test
