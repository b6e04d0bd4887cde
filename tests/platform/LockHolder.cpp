// A second process for the single-instance tests: takes the player's lock in
// the folder given, prints the outcome (Acquired, AlreadyRunning or Error)
// and keeps the lock until its standard input closes.
#include <QCoreApplication>

#include <cstdio>

#include "desktop/SingleInstance.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: korvane_lock_holder FOLDER\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    korvane::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const korvane::InstanceLock result = instance.Acquire();
    std::puts(result == korvane::InstanceLock::Acquired         ? "Acquired"
              : result == korvane::InstanceLock::AlreadyRunning ? "AlreadyRunning"
                                                                : "Error");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
