#include "tools/multi_map_edit_dialog.h"

#include "data/map_access.h"
#include "platform/scripted_prompts.h"
#include "tests/tools/standard_data.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace zlm {
namespace {

QStringList itemsOf(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

class MultiMapEditTest : public ::testing::Test {
protected:
    void SetUp() override { test::loadStandardData(m_data); }

    // Picks `text` in list `slot` as the user would.
    static void pick(MultiMapEditDialog& dialog, int slot, const QString& text)
    {
        QComboBox* list = dialog.mapList(slot);
        const int index = list->findText(text, Qt::MatchExactly);
        ASSERT_GE(index, 0) << text.toStdString();
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const PromptRecord& r : m_prompts.records())
            texts.push_back(r.text);
        return texts;
    }

    LineList m_definition = test::standardDefinition(false);
    EcuDataSet m_data{m_definition};
    ScriptedPrompts m_prompts;
};

TEST_F(MultiMapEditTest, OffersNamesEndingInADigitAndPartnersOfTheSameStem)
{
    MultiMapEditDialog dialog(m_data, m_prompts, 19);
    EXPECT_EQ(dialog.windowTitle(), "Multi Map Edit");
    EXPECT_EQ(itemsOf(dialog.mapList(0)), (QStringList{"Fuel Map1", "Fuel Map2", "Fuel Map3",
                                                       "Fuel Map4", "Ign Map1", "Ign Map2",
                                                       "Ign Map3", "Ign Map4"}));
    // Nothing chosen yet: no mode, no OK, no link to cancel.
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    EXPECT_FALSE(dialog.modeGroup()->isEnabled());
    EXPECT_FALSE(dialog.individualButton()->isEnabled());

    pick(dialog, 0, "Ign Map2");
    for (int slot = 1; slot < 4; ++slot)
        EXPECT_EQ(itemsOf(dialog.mapList(slot)),
                  (QStringList{"Ign Map1", "Ign Map3", "Ign Map4", ""})) << slot;
    EXPECT_TRUE(dialog.mapList(0)->isEnabled());
}

TEST_F(MultiMapEditTest, TwoMapsLinkAllWithTheOneLabel)
{
    MultiMapEditDialog dialog(m_data, m_prompts, 19);
    pick(dialog, 0, "Fuel Map1");
    pick(dialog, 1, "Fuel Map2");
    EXPECT_TRUE(dialog.allButton()->isEnabled());
    EXPECT_FALSE(dialog.pairsButton()->isEnabled());
    EXPECT_TRUE(dialog.allButton()->isChecked());
    EXPECT_TRUE(dialog.okButton()->isEnabled());

    m_prompts.queue(Answer::Ok); // "Do you execute map link?"
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Do you execute map link?"}));
    EXPECT_EQ(m_prompts.records().at(0).caption, "Multi Map Edit");
    EXPECT_EQ(m_data.linkMode, kLinkAll);
    EXPECT_EQ(m_data.linkList, (std::vector<std::string>{"Fuel Map1", "Fuel Map2"}));
    EXPECT_EQ(dialog.labels(), (std::vector<std::string>{"#1,#2"}));
    EXPECT_EQ(dialog.firstLabel(), "#1,#2");
    // #1's data now stands in #2 as well.
    const MapDefinition& first = *mapByName(m_data.maps(), "Fuel Map1");
    const MapDefinition& second = *mapByName(m_data.maps(), "Fuel Map2");
    for (int i = 0; i < first.dataCount; ++i)
        ASSERT_EQ(m_data.read(first.dataAddress + i), m_data.read(second.dataAddress + i)) << i;
}

TEST_F(MultiMapEditTest, PiledUpNamesAndCancelledQuestionKeepTheDialogOpen)
{
    MultiMapEditDialog dialog(m_data, m_prompts, 19);
    pick(dialog, 0, "Fuel Map1");
    pick(dialog, 1, "Fuel Map2");
    pick(dialog, 2, "Fuel Map3");
    EXPECT_TRUE(m_prompts.records().empty());
    pick(dialog, 3, "Fuel Map3");
    EXPECT_EQ(messages(), (std::vector<std::string>{"Map names are piled up"}));
    EXPECT_EQ(m_prompts.records().back().icon, Icon::Exclamation);

    m_prompts.clear();
    dialog.accept();
    EXPECT_EQ(messages(), (std::vector<std::string>{"Map names are piled up"}));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(m_data.linkMode, kNoLink);

    // Four distinct maps in pairs; Cancel on the question leaves everything as it was.
    pick(dialog, 3, "Fuel Map4");
    EXPECT_TRUE(dialog.pairsButton()->isEnabled());
    dialog.pairsButton()->setChecked(true);
    m_prompts.clear();
    m_prompts.queue(Answer::Cancel);
    const bool wasModified = m_data.modified;
    dialog.accept();
    EXPECT_EQ(messages(), (std::vector<std::string>{"Do you execute map link?"}));
    EXPECT_EQ(m_data.linkMode, kNoLink);
    EXPECT_EQ(m_data.modified, wasModified);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.accept(); // OK on the question this time
    EXPECT_EQ(m_data.linkMode, kLinkPairs);
    EXPECT_TRUE(m_data.modified);
    EXPECT_EQ(dialog.labels(), (std::vector<std::string>{"#1,#4", "#2,#3"}));
}

TEST_F(MultiMapEditTest, EmptyingAPartnerFallsBackToTheAllMode)
{
    m_data.linkMode = kLinkPairs;
    m_data.linkList = {"Fuel Map1", "Fuel Map2", "Fuel Map3", "Fuel Map4"};
    MultiMapEditDialog dialog(m_data, m_prompts, 19);
    EXPECT_TRUE(dialog.pairsButton()->isChecked());
    EXPECT_TRUE(dialog.individualButton()->isEnabled());
    pick(dialog, 3, "");
    EXPECT_FALSE(dialog.pairsButton()->isEnabled());
    EXPECT_TRUE(dialog.allButton()->isChecked());
    // Three maps cannot be linked: #3 and #4 go together.
    m_prompts.queue(Answer::Ok);
    dialog.accept();
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "#3Map and #4Map must be both empth \n or both not empty"}));

    // Another #1 empties the partners and leaves the mode: OK names the gap.
    pick(dialog, 0, "Ign Map1");
    EXPECT_EQ(itemsOf(dialog.mapList(1)), (QStringList{"Ign Map2", "Ign Map3", "Ign Map4", ""}));
    EXPECT_EQ(dialog.mapList(1)->currentText(), "");
    m_prompts.clear();
    dialog.okButton()->click();
    EXPECT_EQ(messages(), (std::vector<std::string>{"#1Map or #2Map is empty"}));
    EXPECT_EQ(m_prompts.records().back().icon, Icon::Exclamation);
    EXPECT_EQ(m_prompts.records().back().caption, "Multi Map Edit");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(m_data.linkList.front(), "Fuel Map1");
}

TEST_F(MultiMapEditTest, IndividualEditEndsTheLinkWithoutChecks)
{
    m_data.linkMode = kLinkAll;
    m_data.linkList = {"Fuel Map1", "Fuel Map2"};
    MultiMapEditDialog dialog(m_data, m_prompts, 19);
    m_prompts.queue(Answer::Cancel);
    dialog.individualButton()->click();
    EXPECT_EQ(m_data.linkMode, kLinkAll);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.individualButton()->click();
    EXPECT_EQ(messages(), (std::vector<std::string>{"Do you cancel map link?",
                                                    "Do you cancel map link?"}));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_data.linkMode, kNoLink);
    EXPECT_EQ(dialog.firstLabel(), "Fuel Map1");
    EXPECT_EQ(dialog.labels().size(), m_data.maps().size());
}

TEST(MultiMapEditPreset, PresetFillsTheListsAndLocksThem)
{
    LineList definition = test::standardDefinition(true);
    EcuDataSet data(definition);
    test::loadStandardData(data);
    ScriptedPrompts prompts;
    MultiMapEditDialog dialog(data, prompts, 19);
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(dialog.mapList(slot)->currentText(),
                  QStringLiteral("Fuel Map%1").arg(slot + 1)) << slot;
        EXPECT_FALSE(dialog.mapList(slot)->isEnabled()) << slot;
    }
    EXPECT_TRUE(dialog.pairsButton()->isEnabled());
    EXPECT_TRUE(dialog.okButton()->isEnabled());
}

TEST_F(MultiMapEditTest, Screenshots)
{
    for (const auto& [pixels, size] : {std::pair{19, "default"}, std::pair{14, "small"}}) {
        MultiMapEditDialog dialog(m_data, m_prompts, pixels);
        pick(dialog, 0, "Fuel Map1");
        pick(dialog, 1, "Fuel Map2");
        pick(dialog, 2, "Fuel Map3");
        pick(dialog, 3, "Fuel Map4");
        dialog.adjustSize();
        EXPECT_LE(dialog.width(), 640);
        EXPECT_LE(dialog.height(), 480);
        test::saveScreenshot(dialog, QStringLiteral("multi_map_edit_") + size);
    }
}

} // namespace
} // namespace zlm
