// The constants list: rows and scrolling, the keys of its value edits, the
// messages of refused and clamped input, and the command that copies the
// working image back, with Shift+Enter writes into the virtual ECU.
#include "../comm/ecu_fixture.h"
#include "data/ecu_data_set.h"
#include "platform/scripted_prompts.h"
#include "tools/constants_list_dialog.h"
#include "../test_support.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <array>
#include <memory>

namespace zlm {
namespace {

struct EcuWrite {
    std::uint16_t address;
    std::uint32_t raw;
};

// "count" linear byte constants at 0x8000 onwards, named C0, C1, ...
std::string calibLines(int count)
{
    std::string text = "[Calib]\n";
    for (int i = 0; i < count; ++i)
        text += std::to_string(8000 + i) + ",1,C" + std::to_string(i) + ",1,0,u,0\n";
    return text;
}

class ConstantsDialog : public ::testing::Test {
protected:
    void open(const std::string& definitionText)
    {
        definition = LineList::fromText(definitionText);
        dialog = std::make_unique<ConstantsListDialog>(
            definition, *image, prompts, [this](const ConstantRow& row, std::uint32_t raw) {
                writes.push_back({ row.address, raw });
            });
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        QApplication::processEvents();
    }
    // Types `text` into row `row`'s value edit and presses Enter (with Shift when asked).
    void enter(int row, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QLineEdit* edit = dialog->valueEdit(row);
        edit->setFocus();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return, modifiers);
    }

    LineList definition;
    std::unique_ptr<EcuImage> image = std::make_unique<EcuImage>();
    ScriptedPrompts prompts;
    std::vector<EcuWrite> writes;
    std::unique_ptr<ConstantsListDialog> dialog;
};

TEST_F(ConstantsDialog, SixteenEntriesNeedNoScrollBarSeventeenScrollByOne)
{
    open(calibLines(16));
    EXPECT_FALSE(dialog->scrollBar()->isVisible());
    EXPECT_EQ(dialog->contentsLabel(15)->text(), "C15");

    open(calibLines(17));
    ASSERT_TRUE(dialog->scrollBar()->isVisible());
    EXPECT_EQ(dialog->scrollBar()->minimum(), 0);
    EXPECT_EQ(dialog->scrollBar()->maximum(), 1);
    dialog->scrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(dialog->topRow(), 1);
    EXPECT_EQ(dialog->contentsLabel(0)->text(), "C1");
    EXPECT_EQ(dialog->contentsLabel(15)->text(), "C16");
    EXPECT_EQ(dialog->addressLabel(15)->text(), "8016");

    // The wheel over a row scrolls back, committing the edit being left first.
    dialog->valueEdit(3)->setFocus();
    dialog->valueEdit(3)->setText("9");
    QWheelEvent up(QPointF(20, 60), dialog->mapToGlobal(QPointF(20, 60)), QPoint(), QPoint(0, 120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dialog.get(), &up); // as the edit passes it on
    EXPECT_EQ(dialog->topRow(), 0);
    EXPECT_EQ((*image)[0x8004], 9);
}

TEST_F(ConstantsDialog, ReadOnlyAndUnusedRowsAreDisabledFocusGoesToTheFirstEditable)
{
    open("[Calib]\n8000,1,Version,1,0,,0,1\n8001,1,Idle,10,0,rpm,0\n8002,1,Five,1,0\n");
    EXPECT_FALSE(dialog->valueEdit(0)->isEnabled());
    EXPECT_TRUE(dialog->valueEdit(1)->isEnabled());
    EXPECT_FALSE(dialog->valueEdit(2)->isEnabled()); // five fields: not listed
    EXPECT_TRUE(dialog->contentsLabel(2)->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), dialog->valueEdit(1));
    EXPECT_EQ(dialog->currentCell(), 2);
    EXPECT_FALSE(dialog->rawEdit(1)->isVisible());
}

TEST_F(ConstantsDialog, NoCalibSectionEndsAtOnceAsCancelled)
{
    definition = LineList::fromText("[Free Map]\n");
    ConstantsListDialog empty(definition, *image, prompts, {});
    EXPECT_EQ(empty.exec(), QDialog::Rejected);
}

TEST_F(ConstantsDialog, EnterStoresClampsAndRefuses)
{
    open("[Calib]\n8000,1,Free,1,0,u,0\n8001,1,Limited,1,0,u,0,0,0,200\n");
    enter(0, "300");
    EXPECT_EQ((*image)[0x8000], 255);
    EXPECT_TRUE(prompts.records().empty()); // no limits: silent
    EXPECT_EQ(dialog->valueEdit(0)->text(), "255");

    enter(1, "300");
    EXPECT_EQ((*image)[0x8001], 200);
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text,
              "Input Data Range Over:300.00 \n (0.00<=Data<=200.00)\n set 200.00");
    EXPECT_EQ(prompts.records()[0].caption, "Edit Constants list Data");
    EXPECT_EQ(prompts.records()[0].icon, Icon::Exclamation);

    enter(1, "1-2");
    ASSERT_EQ(prompts.records().size(), 2u);
    EXPECT_EQ(prompts.records()[1].text, "Including wrong word");
    EXPECT_EQ(dialog->valueEdit(1)->text(), "200"); // the stored value again
    EXPECT_EQ((*image)[0x8001], 200);
    EXPECT_TRUE(writes.empty());
}

TEST_F(ConstantsDialog, ShiftEnterWritesToTheEcuNegativeSignedValueKept)
{
    open("[Calib]\n850B,1,Ign Offset,0.5,0,deg,3,0,-10,10\n850E,2,Trim,0.01,0,%,3\n");
    enter(0, "-4.5", Qt::ShiftModifier);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].address, 0x850B);
    EXPECT_EQ(writes[0].raw, 0xF7u);
    EXPECT_EQ(dialog->valueEdit(0)->text(), "-4.50");
    enter(1, "-1.5");
    EXPECT_EQ(writes.size(), 1u); // Enter alone writes nothing to the ECU
    EXPECT_EQ((*image)[0x850E], 0xFF);
    EXPECT_EQ((*image)[0x850F], 0x6A); // -150
}

TEST_F(ConstantsDialog, LeavingAnUnchangedFieldKeepsTheExactValue)
{
    open("[Calib]\n850C,2,Inj Dead Time,0.001,0,ms,0\n8000,1,Other,1,0,u,0\n");
    (*image)[0x850C] = 0x04;
    (*image)[0x850D] = 0xD2; // 1234: 1.234 ms, shown as 1.23
    open("[Calib]\n850C,2,Inj Dead Time,0.001,0,ms,0\n8000,1,Other,1,0,u,0\n");
    EXPECT_EQ(dialog->valueEdit(0)->text(), "1.23");
    QTest::keyClick(dialog->valueEdit(0), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog->valueEdit(1));
    EXPECT_EQ((*image)[0x850D], 0xD2);
}

TEST_F(ConstantsDialog, PageKeysStepTheRawValue)
{
    open("[Calib]\n8504,2,Launch,4,360,rpm,2\n8000,1,Lin,1,0,u,0\n");
    (*image)[0x8505] = 10;
    open("[Calib]\n8504,2,Launch,4,360,rpm,2\n8000,1,Lin,1,0,u,0\n");
    const QString before = dialog->valueEdit(0)->text();
    QTest::keyClick(dialog->valueEdit(0), Qt::Key_PageUp);
    EXPECT_EQ((*image)[0x8505], 9); // a smaller raw value is a higher speed
    EXPECT_GT(dialog->valueEdit(0)->text().toDouble(), before.toDouble());
    EXPECT_EQ(dialog->rawEdit(0)->text(), "0009");

    dialog->valueEdit(1)->setFocus();
    QTest::keyClick(dialog->valueEdit(1), Qt::Key_PageDown);
    EXPECT_EQ((*image)[0x8000], 0); // nothing below 0
    QTest::keyClick(dialog->valueEdit(1), Qt::Key_PageUp);
    EXPECT_EQ((*image)[0x8000], 1);
    EXPECT_TRUE(prompts.records().empty());
}

TEST_F(ConstantsDialog, ShiftDownAtTheLastRowScrollsAndCommitsFirst)
{
    open(calibLines(18));
    QLineEdit* last = dialog->valueEdit(15);
    last->setFocus();
    last->setText("7");
    QTest::keyClick(last, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ((*image)[0x8015], 7);
    EXPECT_EQ(dialog->topRow(), 1);
    EXPECT_EQ(dialog->contentsLabel(15)->text(), "C16");
    EXPECT_EQ(QApplication::focusWidget(), last);
    QTest::keyClick(last, Qt::Key_Return); // commits, the list stays open
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClick(last, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog->cancelButton());
    QTest::keyClick(dialog->cancelButton(), Qt::Key_Return); // Enter on the button presses it
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

// --- the command, through the virtual ECU --------------------------------------------------

class ConstantsCommand : public ::testing::Test {
protected:
    // Runs the command; `act` works on the dialog once it is shown.
    bool run(std::function<void(ConstantsListDialog&)> act)
    {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ConstantsListDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no constants list shown";
                return;
            }
            act(*dialog);
        });
        return runConstantsList(data, prompts, line.protocol);
    }
    static void type(ConstantsListDialog& d, int row, const QString& text,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        d.valueEdit(row)->setFocus();
        d.valueEdit(row)->setText(text);
        QTest::keyClick(d.valueEdit(row), Qt::Key_Return, modifiers);
    }

    test::EcuLine line;
    LineList definition = LineList::fromText("[Calib]\n"
                                             "8100,1,Byte,1,0,u,0\n"
                                             "8102,2,Word,1,0,u,0\n"
                                             "FFFE,2,Top word,1,0,u,0\n"
                                             "FFFF,1,Top byte,1,0,u,0\n");
    EcuDataSet data { definition };
    ScriptedPrompts prompts;
};

TEST_F(ConstantsCommand, ShiftEnterReachesEcuAndDataSetEvenAfterCancel)
{
    const bool ok = run([](ConstantsListDialog& d) {
        type(d, 0, "90", Qt::ShiftModifier);
        type(d, 1, "4660", Qt::ShiftModifier); // 0x1234
        type(d, 2, "77"); // no Shift: working image only
        d.cancelButton()->click();
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(prompts.records().empty());
    EXPECT_EQ(line.ecu.byteAt(0x8100), 90);
    EXPECT_EQ(line.ecu.byteAt(0x8102), 0x12);
    EXPECT_EQ(line.ecu.byteAt(0x8103), 0x34);
    EXPECT_EQ(data.read(0x8100), 90);
    EXPECT_EQ(data.read(0x8102), 0x12);
    EXPECT_EQ(data.read(0x8103), 0x34);
    EXPECT_EQ(data.read(0xFFFF), 0); // cancelled
    EXPECT_TRUE(data.modified);
}

TEST_F(ConstantsCommand, EditsAtTheTopOfTheImageAreKeptOnOk)
{
    const bool ok = run([](ConstantsListDialog& d) {
        type(d, 2, "43981"); // 0xABCD at FFFE
        type(d, 3, "239");   // 0xEF at FFFF
        d.okButton()->click();
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(data.read(0xFFFE), 0xAB);
    EXPECT_EQ(data.read(0xFFFF), 0xEF);
    EXPECT_TRUE(data.modified);
}

TEST_F(ConstantsCommand, OkWithoutChangesLeavesTheModifiedFlag)
{
    data.image()[0xFFFF] = 5;
    EXPECT_TRUE(run([](ConstantsListDialog& d) { d.okButton()->click(); }));
    EXPECT_FALSE(data.modified);
    EXPECT_EQ(data.read(0xFFFF), 5);
}

} // namespace
} // namespace zlm

namespace zlm {
namespace {

// The sample definition's constants over the standard data set: a scroll bar
// (22 constants), read-only rows and a negative signed value. Saved for the
// documentation and checked for columns wide enough for their texts.
TEST_F(ConstantsDialog, SampleDefinitionLooksTidy)
{
    std::string text = test::readFile(std::filesystem::path(ZLM_RES_DIR) / "ZLM350.def");
    EcuDataSet data(definition);
    definition = LineList::fromText(text);
    ASSERT_TRUE(data.load(std::string(ZLM_RES_DIR) + "/Standard_data.lyn").ok());
    std::copy(data.image().begin(), data.image().end(), image->begin());
    (*image)[0x850B] = 0xF7; // Ign Offset -4.5 deg
    open(text);
    ASSERT_TRUE(dialog->scrollBar()->isVisible());
    dialog->scrollTo(6); // Ign Offset and the read-only rows in view
    QApplication::processEvents();
    bool readOnlyShown = false;
    for (int r = 0; r < ConstantsListDialog::kRows; ++r) {
        QLabel* contents = dialog->contentsLabel(r);
        EXPECT_LE(contents->fontMetrics().horizontalAdvance(contents->text()), contents->width());
        QLineEdit* value = dialog->valueEdit(r);
        EXPECT_LE(value->fontMetrics().horizontalAdvance(value->text()) + 4, value->width());
        if (!dialog->valueEdit(r)->isEnabled() && !contents->text().isEmpty())
            readOnlyShown = true;
        if (contents->text() == "Ign Offset") {
            EXPECT_EQ(value->text(), "-4.50");
        }
    }
    EXPECT_TRUE(readOnlyShown);
    const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
    std::filesystem::create_directories(dir.toStdString());
    EXPECT_TRUE(dialog->grab().save(dir + "/constants_list.png"));
}

} // namespace
} // namespace zlm

#include "app/frame_tools.h"
#include "app/vex_app.h"
#include "platform/text_file.h"
#include "views/edit_bar.h"
#include "views/main_frame.h"

#include <QToolButton>

namespace zlm {
namespace {

// The edit bar's button runs the same command as "&Constants list...": the
// list opens on the loaded data set and OK brings its edit into the data set.
TEST(ConstantsListCommand, EditBarButtonOpensTheListOnTheDataSet)
{
    test::TempDir dir;
    CVexApp app;
    auto prompts = std::make_unique<ScriptedPrompts>();
    app.setPrompts(std::move(prompts));
    app.definitionLines = *readTextLines(std::string(ZLM_RES_DIR) + "/ZLM350.def");
    CMainFrame frame(app);
    new FrameTools(frame, app);
    EXPECT_FALSE(frame.isEnabled(cmd::kConstantsList));
    const auto data = dir / "Standard_data.lyn";
    std::filesystem::copy_file(std::string(ZLM_RES_DIR) + "/Standard_data.lyn", data);
    ASSERT_TRUE(frame.loadDataFile(data.string()));
    frame.updateCommandStates();
    ASSERT_TRUE(frame.isEnabled(cmd::kConstantsList));

    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<ConstantsListDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        shown = true;
        EXPECT_EQ(d->windowTitle(), "Edit Constants list");
        EXPECT_EQ(d->contentsLabel(0)->text(), "Rev Limit");
        d->valueEdit(4)->setFocus(); // Idle Target, 10 rpm steps
        d->valueEdit(4)->setText("1500");
        QTest::keyClick(d->valueEdit(4), Qt::Key_Return);
        d->okButton()->click();
    });
    frame.editBar().button(cmd::kConstantsList)->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(app.data().read(0x8508), 150);
    EXPECT_TRUE(app.data().modified);
}

} // namespace
} // namespace zlm
