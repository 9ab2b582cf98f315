// Shared main of the test programs: one QApplication on the offscreen platform,
// so widget tests run on a machine without a display.
#include <QApplication>
#include <QFont>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // As at the program's start: "Century" is drawn with its Linux twin.
    QFont::insertSubstitution(QStringLiteral("Century"), QStringLiteral("C059"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
