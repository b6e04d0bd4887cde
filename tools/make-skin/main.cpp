// korvane-make-skin RES_DIR: draws the control bar's bitmaps into
// RES_DIR/skin/<id>.png and lists them in RES_DIR/skin.qrc.
// korvane-make-skin --icon SIZE OUT.png: draws the application icon.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

#include "tools/make-skin/SkinArt.h"

int main(int argc, char** argv) {
    if (argc == 4 && QByteArray(argv[1]) == "--icon") {
        bool ok = false;
        const int size = QByteArray(argv[2]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "usage: korvane-make-skin --icon SIZE OUT.png (SIZE 16 to 1024)\n");
            return 2;
        }
        if (!korvane::skin::DrawIcon(size).save(QString::fromLocal8Bit(argv[3]), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", argv[3]);
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-make-skin RES_DIR | --icon SIZE OUT.png\n");
        return 2;
    }
    const QDir res(QString::fromLocal8Bit(argv[1]));
    if (!res.mkpath("skin")) {
        std::fprintf(stderr, "cannot make %s/skin\n", argv[1]);
        return 1;
    }
    QString qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const auto& [id, image] : korvane::skin::DrawSkin()) {
        const QString name = QString("skin/%1.png").arg(id);
        if (!image.save(res.filePath(name), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(res.filePath(name)));
            return 1;
        }
        qrc += QString("  <file>%1</file>\n").arg(name);
    }
    qrc += "</qresource>\n</RCC>\n";
    QFile file(res.filePath("skin.qrc"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(qrc.toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return 1;
    }
    return 0;
}
