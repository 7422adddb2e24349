// The desktop tests run inside one QApplication on Qt's offscreen platform: no display is needed.
#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace {

// The offscreen platform cannot raise windows and says so each time; that is no news to the tests.
void filterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()")) ||
        message.contains(QLatin1String("XDG_RUNTIME_DIR"))) {
        return;
    }
    qt_message_output(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(filterQtMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
