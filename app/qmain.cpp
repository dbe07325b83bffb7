// SPDX-License-Identifier: MIT
#include "qmain.h"

#include "mainwindow.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int qMain(int argc, char **argv, const QString &titleSuffix,
          const std::function<void(QMainWindow &)> &prepareWindow)
{
    // The bundle lives in a static library; registering it is also what links it in.
    Q_INIT_RESOURCE(resources);

    int exitCode = 0;
    {
        QApplication app(argc, argv);
        QApplication::setOrganizationName(u"Brelmark"_s);
        QApplication::setApplicationName(u"vtl_i2c"_s);
        QApplication::setWindowIcon(QIcon(u":/icons/res/icon/icon.png"_s));

        MainWindow window;
        if (!titleSuffix.isEmpty())
            window.setWindowTitle(window.windowTitle() + titleSuffix);
        if (prepareWindow)
            prepareWindow(window);
        window.show();
        exitCode = QApplication::exec();
    }

    Q_CLEANUP_RESOURCE(resources);
    return exitCode;
}
