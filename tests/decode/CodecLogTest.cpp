// libavcodec's complaints about damaged data reach the debug messages of the
// "korvane" category when they are enabled, and nothing of them otherwise.
#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "decode/AvVideoDecoder.h"
#include "media/CodecLog.h"
#include "authoring/FrameSource.h"

namespace korvane::testing {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_lines;

void Collect(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (std::string(context.category ? context.category : "") != "korvane") return;
    std::lock_guard lock(g_mutex);
    g_lines.push_back(text.toStdString());
}

// An H.264 picture that refers to parameter sets the decoder never saw, as
// after a cut in the recording: the decoder reports it through av_log.
std::size_t DecodeDamagedPicture() {
    AvVideoDecoder decoder(AV_CODEC_ID_H264);
    if (!decoder.Open()) return 0;
    const std::vector<std::uint8_t> dependent =
        ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/h264_704x480.h264").at(1).bytes;
    decoder.Decode(dependent.data(), dependent.size(), false);
    std::lock_guard lock(g_mutex);
    return g_lines.size();
}

class CodecLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        RouteCodecLogToDebugLog();
        m_previous = qInstallMessageHandler(&Collect);
        g_lines.clear();
    }
    void TearDown() override {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    QtMessageHandler m_previous = nullptr;
};

TEST_F(CodecLogTest, DecoderComplaintsGoToTheDebugCategoryOnlyWhenItIsOn) {
    QLoggingCategory::setFilterRules(QStringLiteral("korvane.debug=true"));
    EXPECT_GT(DecodeDamagedPicture(), 0u);

    g_lines.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("korvane.debug=false"));
    EXPECT_EQ(DecodeDamagedPicture(), 0u);
}

}  // namespace
}  // namespace korvane::testing
