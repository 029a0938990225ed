// Unit tests run with a QApplication so that timers, socket notices and
// widgets behave as they do in the program.
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/mainthread.h"
#include "ui/interpreteroffers.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    platform::InitMainThread();
    // No window of a test offers to set up the machine's own interpreters;
    // the offers' tests give their own places.
    SetInterpreterRoot("/nonexistent-interpreter-root");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
