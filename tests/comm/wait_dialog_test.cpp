// The wait window of the ECU exchanges: title line, progress line starting as
// "Wait...", both drawn whole, and gone after close().
#include "comm/wait_dialog.h"

#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

namespace zlm {
namespace {

QList<QLabel*> labelsOf(QWidget* window)
{
    return window->findChildren<QLabel*>();
}

TEST(WaitDialogTest, TitleAndProgressLinesAndClose)
{
    QWidget parent;
    parent.resize(400, 300);
    parent.show();
    WaitDialog wait(&parent);
    EXPECT_EQ(wait.window(), nullptr);

    wait.open("( 1234 ) = 5A");
    QPointer<QWidget> window = wait.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    auto labels = labelsOf(window);
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->text(), "( 1234 ) = 5A");
    EXPECT_EQ(labels[1]->text(), "Wait...");

    EXPECT_TRUE(wait.progress("Wait...100%"));
    EXPECT_EQ(labels[1]->text(), "Wait...100%");
    for (QLabel* label : labels) {
        EXPECT_EQ(label->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        EXPECT_GE(label->width(), label->sizeHint().width());
    }
    EXPECT_TRUE(window->grab().save(QString::fromLatin1(ZLM_BINARY_DIR) + "/wait_window.png"));

    // A second open replaces the window; close() removes it.
    wait.open("Read from ECU");
    EXPECT_EQ(labelsOf(wait.window())[0]->text(), "Read from ECU");
    wait.close();
    EXPECT_EQ(wait.window(), nullptr);
    EXPECT_TRUE(wait.progress("Wait...8000")); // nothing to update, no harm
}

} // namespace
} // namespace zlm
