// What the tests read back from the files and programs they check: a JSON
// file's object, and a shell command's exit status with what it printed.
#pragma once

#include <sys/wait.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <string>
#include <tuple>
#include <utility>

namespace korvane::testing {

// The object of a JSON file; empty when the file cannot be read.
inline QJsonObject ReadJson(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

// Runs the command in a shell: its exit status (-1 when it did not exit) and its stdout.
inline std::pair<int, std::string> RunCommand(const std::string& command) {
    std::string out;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    char chunk[4096];
    for (std::size_t n; pipe && (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
    const int status = pipe ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace korvane::testing
