#include "platform/qt_prompts.h"
#include "platform/scripted_prompts.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace zlm {
namespace {

using test::readFile;
using test::ScopedEnv;
using test::TempDir;
using test::writeFile;

FileDialogRequest openLyn()
{
    FileDialogRequest r;
    r.title = "Open File";
    r.defaultExtension = "lyn";
    r.filter = "ZLM-350 Data Files(*.lyn)|*.lyn|All Files(*.*)|*.*||";
    r.initialDirectory = "/home/me/work";
    r.initialName = "Standard_data.lyn";
    return r;
}

TEST(ScriptedPrompts, RecordsEveryPromptAndAnswersInOrder)
{
    ScriptedPrompts p;
    p.queue(Answer::No);
    p.queuePath("/data/a.lyn");
    p.queueCancel();
    EXPECT_EQ(p.message("Are you exit ?", "", Icon::Question, Buttons::YesNo), Answer::No);
    EXPECT_EQ(p.chooseFile(openLyn()), "/data/a.lyn");
    EXPECT_EQ(p.chooseFolder("Choose Folder", "/data"), std::nullopt);
    EXPECT_EQ(p.pendingAnswers(), 0u);

    ASSERT_EQ(p.records().size(), 3u);
    const auto& m = p.records()[0];
    EXPECT_EQ(m.kind, PromptKind::Message);
    EXPECT_EQ(m.icon, Icon::Question);
    EXPECT_EQ(m.caption, "Tavoreth Racing Tool");
    EXPECT_EQ(m.text, "Are you exit ?");
    EXPECT_EQ(m.buttons, Buttons::YesNo);
    EXPECT_EQ(p.records()[1].kind, PromptKind::OpenFile);
    EXPECT_EQ(p.records()[1].caption, "Open File");
    EXPECT_EQ(p.records()[1].text, "/home/me/work/Standard_data.lyn");
    EXPECT_EQ(p.records()[1].file.defaultExtension, "lyn");
    EXPECT_EQ(p.records()[2].kind, PromptKind::Folder);
    EXPECT_EQ(p.records()[2].text, "/data");
}

TEST(ScriptedPrompts, WithoutAnswersTheDefaultButton)
{
    ScriptedPrompts p;
    EXPECT_EQ(p.message("x", "Map Window", Icon::Stop), Answer::Ok);
    EXPECT_EQ(p.message("x", "", Icon::Question, Buttons::OkCancel), Answer::Ok);
    EXPECT_EQ(p.message("x", "", Icon::Question, Buttons::YesNoCancel), Answer::Yes);
    EXPECT_EQ(p.chooseFile(openLyn()), std::nullopt);
    EXPECT_EQ(p.records()[0].caption, "Map Window");
}

TEST(PromptAnswers, WordsMustFitTheButtons)
{
    EXPECT_EQ(answerFor("cancel", Buttons::OkCancel), Answer::Cancel);
    EXPECT_EQ(answerFor(" No ", Buttons::YesNo), Answer::No);
    EXPECT_EQ(answerFor("Cancel", Buttons::YesNoCancel), Answer::Cancel);
    // A button the box does not have: its first button.
    EXPECT_EQ(answerFor("Cancel", Buttons::Ok), Answer::Ok);
    EXPECT_EQ(answerFor("OK", Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(answerFor("maybe", Buttons::OkCancel), Answer::Ok);
    EXPECT_EQ(pathFor(std::string("Cancel")), std::nullopt);
    EXPECT_EQ(pathFor(std::string("")), std::nullopt);
    EXPECT_EQ(pathFor(std::string("/a b/c.csv")), "/a b/c.csv");
}

TEST(FilePrompts, WritesOneLinePerPromptAndReadsAnswers)
{
    TempDir dir;
    writeFile(dir / "answers", "Cancel\r\n/data/out.lyn\nNo\n");
    FilePrompts p(dir / "prompts", dir / "answers");

    EXPECT_EQ(p.message("Are you sure you want to close without saving the change ?", "",
                  Icon::Question, Buttons::OkCancel),
        Answer::Cancel);
    // Written at once, before the next prompt.
    EXPECT_EQ(readFile(dir / "prompts"),
        "QUESTION\tTavoreth Racing Tool\t"
        "Are you sure you want to close without saving the change ?\n");
    FileDialogRequest save = openLyn();
    save.save = true;
    save.title = "";
    EXPECT_EQ(p.chooseFile(save), "/data/out.lyn");
    EXPECT_EQ(p.message("Data count is different. \n Can't Execute map link.", "Multi Map Edit",
                  Icon::Stop, Buttons::YesNo),
        Answer::No);
    // The answers are used up: the default buttons from here on.
    EXPECT_EQ(p.chooseFolder("Choose Folder", "/home/me"), std::nullopt);
    EXPECT_EQ(p.message("Map link was cleared.", "", Icon::Information), Answer::Ok);
    p.message("a\r\nb\rc", "", Icon::Exclamation);
    p.message("", "", Icon::None);

    EXPECT_EQ(readFile(dir / "prompts"),
        "QUESTION\tTavoreth Racing Tool\tAre you sure you want to close without saving the change "
        "?\n"
        "SAVE\tSave As\t/home/me/work/Standard_data.lyn\n"
        "STOP\tMulti Map Edit\tData count is different. \\n Can't Execute map link.\n"
        "FOLDER\tChoose Folder\t/home/me\n"
        "INFORMATION\tTavoreth Racing Tool\tMap link was cleared.\n"
        "EXCLAMATION\tTavoreth Racing Tool\ta\\nb\\nc\n"
        "NONE\tTavoreth Racing Tool\t\n");
}

TEST(FilePrompts, AnswersAppendedLaterAreSeen)
{
    TempDir dir;
    FilePrompts p(dir / "prompts", dir / "answers");
    EXPECT_EQ(p.message("first", "", Icon::Question, Buttons::YesNo), Answer::Yes);
    writeFile(dir / "answers", "Yes\nNo\n");
    EXPECT_EQ(p.message("second", "", Icon::Question, Buttons::YesNo), Answer::No);
}

TEST(FilePrompts, ChosenFromEnvironment)
{
    TempDir dir;
    {
        ScopedEnv prompts("ZLM350_PROMPTS", std::nullopt);
        EXPECT_EQ(promptsFromEnvironment(), nullptr);
    }
    ScopedEnv prompts("ZLM350_PROMPTS", (dir / "p").string());
    ScopedEnv answers("ZLM350_ANSWERS", (dir / "a").string());
    writeFile(dir / "a", "No\n");
    auto p = promptsFromEnvironment();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(
        p->message("Do you execute map link?", "", Icon::Question, Buttons::YesNo), Answer::No);
    EXPECT_EQ(readFile(dir / "p"), "QUESTION\tTavoreth Racing Tool\tDo you execute map link?\n");
}

TEST(QtPrompts, FilterBecomesQtNameFilters)
{
    EXPECT_EQ(qtNameFilters("ZLM-350 Data Files(*.lyn)|*.lyn|All Files(*.*)|*.*||"),
        (QStringList { "ZLM-350 Data Files (*.lyn)", "All Files (*)" }));
    EXPECT_EQ(qtNameFilters("CSV File|*.csv;*.txt||"), (QStringList { "CSV File (*.csv *.txt)" }));
    EXPECT_TRUE(qtNameFilters("").isEmpty());
}

} // namespace
} // namespace zlm
