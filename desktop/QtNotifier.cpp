#include "desktop/QtNotifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdio>
#include <string>

namespace korvane {

void QtNotifier::ShowMessage(std::string_view text) {
    const QString message = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<QApplication*>(app) == nullptr) {
        // No widgets to show a box with (the application is gone or was
        // never made): the text must still reach someone.
        std::string line = "message: ";
        line.append(text).append("\n");
        std::fputs(line.c_str(), stderr);
        return;
    }
    if (QThread::currentThread() == app->thread()) {
        ShowOnGuiThread(message);
        return;
    }
    // From another thread the box is shown on the GUI thread; nobody waits for it.
    m_mailbox.Post([message] { ShowOnGuiThread(message); });
}

void QtNotifier::ShowOnGuiThread(const QString& text) {
    // Centred on the player's window once there is one.
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kMessageBoxTitle), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    // Paths and codec names are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace korvane
