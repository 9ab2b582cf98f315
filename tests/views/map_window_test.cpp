#include "views/map_window.h"

#include "app/vex_app.h"
#include "data/map_access.h"
#include "data/undo_stack.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"
#include "tests/test_support.h"
#include "views/cell_editor.h"
#include "views/edit_bar.h"
#include "views/graph_pane.h"
#include "views/main_frame.h"
#include "views/table_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace zlm {
namespace {

namespace fs = std::filesystem;
const std::string kResDir = ZLM_RES_DIR;

// The frame with the standard data open: a map window and a table window on
// the current map, as the Open command leaves them.
class MapWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFont::insertSubstitution(QStringLiteral("Century"), QStringLiteral("C059"));
        auto prompts = std::make_unique<ScriptedPrompts>();
        m_prompts = prompts.get();
        m_app.setPrompts(std::move(prompts));
    }

    void TearDown() override
    {
        m_frame.reset();
        settle();
    }

    void open(const std::string& mapName, const std::string& definition = "ZLM350.def",
        const std::string& data = "Standard_data.lyn", QSize size = QSize(1024, 768))
    {
        auto lines = readTextLines(kResDir + "/" + definition);
        ASSERT_TRUE(lines.has_value());
        m_app.definitionLines = std::move(*lines);
        m_app.workingDirectory = m_dir.path().string();
        m_frame = std::make_unique<CMainFrame>(m_app);
        m_frame->resize(size);
        m_frame->show();
        m_frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
        const fs::path copy = m_dir / data;
        fs::copy_file(kResDir + "/" + data, copy, fs::copy_options::overwrite_existing);
        m_prompts->queuePath(copy.string());
        m_frame->openFile();
        ASSERT_TRUE(m_app.data().loaded());
        m_frame->selectLabel(mapName);
        ASSERT_EQ(map().name, mapName);
        settle();
        ASSERT_NE(window(), nullptr);
        m_prompts->clear();
    }

    static void settle()
    {
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
    }

    MapDefinition& map() { return *m_app.data().currentMap(); }
    MapWindow* window()
    {
        CVexView* view = m_frame->document()->viewOfKind(ViewKind::Map);
        return view ? qobject_cast<MapWindow*>(view->window()) : nullptr;
    }
    TableWindow* table()
    {
        CVexView* view = m_frame->document()->viewOfKind(ViewKind::Table);
        return view ? qobject_cast<TableWindow*>(view->window()) : nullptr;
    }
    GraphPane* graph() { return window()->graphPane(); }
    const MapGeometry& geometry() { return *window()->geometry(); }
    QPoint pointAt(int line, int point)
    {
        const auto points = geometry().linePoints(map(), m_app.data().image(), line);
        return QPoint(points[point].x, points[point].y);
    }
    std::uint8_t dataByte(int line, int point)
    {
        return readDataCell(m_app.data().image(), map(), line, point).value;
    }

    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(graph(), button, {}, at);
        settle();
    }
    void release(QPoint at)
    {
        QTest::mouseRelease(graph(), Qt::LeftButton, {}, at);
        settle();
    }
    void moveTo(QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), graph()->mapToGlobal(QPointF(at)),
            Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(graph(), &move);
        settle();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = window();
        QTest::keyClick(target, k, mods);
        settle();
    }
    std::string undoText() { return UndoMenuText(&map(), true).text; }

    void saveShot(const QString& name)
    {
        const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
        fs::create_directories(dir.toStdString());
        settle();
        EXPECT_TRUE(m_frame->grab().save(dir + "/" + name));
    }

    test::TempDir m_dir;
    CVexApp m_app;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MapWindowTest, LooksAtOneLineAllLinesAndADrag)
{
    for (const QSize size : { QSize(1024, 768), QSize(1920, 1080) }) {
        open("Fuel Map1", "ZLM350.def", "Standard_data.lyn", size);
        const QString suffix = QStringLiteral("_%1x%2.png").arg(size.width()).arg(size.height());
        saveShot(QStringLiteral("map_window_one_line") + suffix);
        m_frame->execute(cmd::kToggleAll);
        settle();
        saveShot(QStringLiteral("map_window_all_lines") + suffix);
        m_frame.reset();
        settle();
    }
}

} // namespace
} // namespace zlm
