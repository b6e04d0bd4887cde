// The probe's report for people: the header as labelled lines, one table row
// per record in fixed-width columns (so a long recording can be streamed),
// then a summary.
#pragma once

#include <iosfwd>

#include "tools/probe/ChainWalk.h"

namespace korvane::probe {

class TextReportWriter final : public ReportWriter {
public:
    // With colour, warnings are shown in ANSI bold red.
    TextReportWriter(std::ostream& out, bool colour) : m_out(out), m_colour(colour) {}

    void writeHeader(const FileInfo& info) override;
    void writeRecord(const RecordInfo& info) override;
    void writeSummary(const FileInfo& info, const Summary& summary) override;

private:
    void writeLine(const std::string& label, const std::string& value, int indent = 0);
    void writeNote(const std::string& text);
    std::string warn(const std::string& text) const;

    std::ostream& m_out;
    bool m_colour;
};

}  // namespace korvane::probe
