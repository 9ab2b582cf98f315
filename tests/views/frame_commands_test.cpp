// Frame commands that must not lose or hide what the user did: Save with a
// value still in the cell editor, the title after Save As with a maximised
// window, and Cascade.
#include "views/main_frame.h"

#include "app/vex_app.h"
#include "data/map_access.h"
#include "data/undo_stack.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"
#include "tests/test_support.h"
#include "views/cell_editor.h"
#include "views/child_frame.h"
#include "views/edit_bar.h"
#include "views/grid_pane.h"
#include "views/table_edit.h"
#include "views/table_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"
#include "tests/views/frame_fixture.h"

#include <QApplication>
#include <QMdiArea>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace zlm {
namespace {

using test::settle;

namespace fs = std::filesystem;

class FrameCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::useCenturyFont();
        ASSERT_TRUE(test::loadDefinition(m_app));
        m_app.workingDirectory = m_dir.string();
        m_prompts = test::scriptPrompts(m_app);
        m_frame = std::make_unique<CMainFrame>(m_app);
        m_frame->resize(1000, 700);
        ASSERT_TRUE(test::showActive(*m_frame));

        test::queueStandardData(*m_prompts, m_dir);
        ASSERT_TRUE(m_frame->execute(cmd::kOpen));
        ASSERT_TRUE(m_app.data().loaded());
        settle();
        m_prompts->clear();
    }

    void TearDown() override
    {
        m_frame.reset();
        settle();
    }

    TableWindow& table()
    {
        return *static_cast<TableWindow*>(
            m_frame->document()->viewOfKind(ViewKind::Table)->window());
    }
    CChildFrame& child(ViewKind kind)
    {
        return *m_frame->document()->viewOfKind(kind)->childFrame();
    }

    test::TempDir m_tempDir;
    fs::path m_dir = m_tempDir.path();
    CVexApp m_app;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(FrameCommandsTest, SaveTakesTheValueStillBeingTyped)
{
    TableWindow& window = table();
    const int w = window.cellWidth();
    const int h = window.cellHeight();
    QTest::mouseClick(window.gridPane()->viewport(), Qt::LeftButton, {}, QPoint(w / 2, h / 2));
    settle();
    MapDefinition& map = *m_app.data().currentMap();
    ASSERT_EQ(map.edit.part, EditPart::Data);
    CellEditor& editor = *window.cellEditor();
    editor.selectAll();
    QTest::keyClicks(&editor, QStringLiteral("4.4"));
    settle();

    const fs::path target = m_dir / "typed.lyn";
    m_prompts->queuePath(target.string());
    ASSERT_TRUE(m_frame->execute(cmd::kSave));
    EXPECT_EQ(readDataCell(m_app.data().image(), map, 0, 0).value, 88); // 4.4 / 0.05
    EXPECT_FALSE(m_app.data().modified);

    // The file holds it: loaded again, the cell reads 4.4.
    CVexApp reread;
    reread.definitionLines = m_app.definitionLines;
    ASSERT_TRUE(reread.data().load(target.string()).ok());
    const MapDefinition& again
        = reread.data()
              .maps()[static_cast<std::size_t>(mapIndexByName(reread.data().maps(), map.name))];
    EXPECT_EQ(readDataCell(reread.data().image(), again, 0, 0).value, 88);
}

TEST_F(FrameCommandsTest, AByteChangedBehindTheTableIsShownSteppedAndUndoneAsItIsNow)
{
    TableWindow& window = table();
    const int w = window.cellWidth();
    const int h = window.cellHeight();
    QTest::mouseClick(window.gridPane()->viewport(), Qt::LeftButton, {}, QPoint(w + w / 2, h / 2));
    settle();
    MapDefinition& map = *m_app.data().currentMap();
    ASSERT_EQ(map.edit.part, EditPart::Data);
    const std::uint16_t address = dataCellAddress(map, 0, 1);
    const auto before = static_cast<std::uint8_t>(m_app.data().read(address));
    const auto changed = static_cast<std::uint8_t>(before + 10);
    const auto yText
        = [&](int raw) { return QString::fromStdString(m_app.formatY(physicalValue(map.y, raw))); };

    // A read from the ECU changes the current cell; the views refresh as after one.
    m_app.data().write(address, changed);
    m_frame->document()->EndChange(0);
    m_frame->document()->RefreshAll();
    settle();
    EXPECT_EQ(window.cellEditor()->text(), yText(changed));
    EXPECT_EQ(m_frame->editBar().dataField()->text(), yText(changed));

    // Page Up steps from the byte now there, and its record keeps that byte for Undo.
    QTest::keyClick(window.cellEditor(), Qt::Key_PageUp);
    settle();
    EXPECT_EQ(m_app.data().read(address), changed + 1);
    ASSERT_EQ(map.edit.undo.size(), 1u);
    EXPECT_EQ(map.edit.undo.newest()->oldValues.front(), changed);

    // The Data field compares with the byte in the image, not with the value
    // last known: that value typed there is written back and shown.
    m_app.data().write(address, changed, false); // no refresh at all this time
    m_frame->editBar().dataField()->setText(
        QString::number(physicalValue(map.y, changed + 1), 'f', 3));
    ASSERT_TRUE(m_frame->execute(cmd::kEditBarOk));
    EXPECT_EQ(m_app.data().read(address), changed + 1);
    EXPECT_EQ(m_frame->editBar().dataField()->text(), yText(changed + 1));
}

TEST_F(FrameCommandsTest, TitleNamesTheSavedFileAlsoWithAMaximisedWindow)
{
    child(ViewKind::Table).showMaximized();
    settle();
    m_prompts->queuePath((m_dir / "renamed.lyn").string());
    ASSERT_TRUE(m_frame->execute(cmd::kSave));
    settle();
    EXPECT_TRUE(m_frame->windowTitle().contains(QStringLiteral("renamed.lyn")))
        << m_frame->windowTitle().toStdString();
    // Restored, the window gives back the frame's own title: the new one.
    child(ViewKind::Table).showNormal();
    settle();
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Tavoreth Racing Tool - renamed.lyn"));
}

TEST_F(FrameCommandsTest, CascadeLeavesTheWindowsLargeEnoughToWorkIn)
{
    ASSERT_TRUE(m_frame->execute(cmd::kCascade));
    settle();
    const QSize area = m_frame->mdiArea().viewport()->size();
    const QList<QMdiSubWindow*> windows = m_frame->mdiArea().subWindowList();
    ASSERT_EQ(windows.size(), 2);
    for (const QMdiSubWindow* w : windows) {
        EXPECT_GE(w->width(), area.width() * 2 / 3);
        EXPECT_GE(w->height(), area.height() * 2 / 3);
        EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(w->geometry()));
    }
    // Each one stands apart from the other, the active one on top.
    EXPECT_NE(windows[0]->pos(), windows[1]->pos());
    EXPECT_EQ(m_frame->mdiArea().activeSubWindow(),
        m_frame->mdiArea().subWindowList(QMdiArea::StackingOrder).last());
}

} // namespace
} // namespace zlm
