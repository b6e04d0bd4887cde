// The probe's report for scripts: one compact JSON object a line, the header,
// each record, then the summary. Text from the recording is in the recorder's
// own code page, so each byte becomes the character of the same code (bytes
// read as Latin-1), which keeps every byte recoverable.
#pragma once

#include <iosfwd>

#include "tools/probe/ChainWalk.h"

class QJsonObject;

namespace korvane::probe {

class JsonReportWriter final : public ReportWriter {
public:
    explicit JsonReportWriter(std::ostream& out) : m_out(out) {}

    void writeHeader(const FileInfo& info) override;
    void writeRecord(const RecordInfo& info) override;
    void writeSummary(const FileInfo& info, const Summary& summary) override;

private:
    void writeObject(const QJsonObject& object);

    std::ostream& m_out;
};

}  // namespace korvane::probe
