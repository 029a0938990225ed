// Unit tests run with a QApplication so that timers, socket notices and
// widgets behave as they do in the program.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/mainthread.h"

int main(int argc, char** argv) {
    // The program writes the desktop's start-up entry and its key store under
    // the configuration folder: never the tester's own.
    char config[] = "/tmp/quillnest-test-config-XXXXXX";
    if (mkdtemp(config) != nullptr) setenv("XDG_CONFIG_HOME", config, 1);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    platform::InitMainThread();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::system(("rm -rf '" + std::string(config) + "'").c_str());
    return result;
}
