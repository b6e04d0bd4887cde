// The player's view: it owns the reader, the decoders, the picture and record
// buffers and the texts, opens recordings, shows their first picture and
// steps one picture forward or back.
#pragma once

#include <QRect>
#include <QWidget>

#include <array>
#include <memory>
#include <string>

#include "decode/PictureDecoding.h"
#include "platform/Notifier.h"
#include "recording/FrameReader.h"

namespace korvane {

inline constexpr const char* kIncorrectCodecText = "Incorrect video codec type player";
inline constexpr std::size_t kAudioOutSize = 4096;

class CKorvaneView : public QWidget, public PictureDecoding {
    Q_OBJECT

public:
    explicit CKorvaneView(Notifier& notifier, QWidget* parent = nullptr);
    ~CKorvaneView() override;

    // Sizes the window, opens a recording named on the command line (the
    // text after the program's name; empty for none) and applies zoom 1x.
    void OnInitialUpdate(const std::string& commandLine);
    // Menu commands (ViewCommand ids) and the state the menu shows for them.
    void OnCommand(int id);
    struct CommandState {
        bool enabled = true;
        bool checked = false;
    };
    CommandState QueryCommand(int id) const;
    // Paints the current picture and its two text lines over target.
    void OnDraw(QPainter& painter, const QRect& target);
    void StopAllWorkers();

    // Opens a recording named as on the command line: a path, or a path in
    // double quotes. Shows its first picture. 1 when the reader opened it.
    int OpenCommandLine(const std::string& commandLine);
    int ShowFirstPicture();
    void OnNext();      // step forward
    void OnPrevious();  // step back

    const std::string& FilePath() const { return m_szFilePath; }
    FrameReader& Reader() { return m_reader; }
    bool FileOpen() const { return m_bFileOpen != 0; }

protected:
    // The buffers a move of the reader fills; cleared for each command.
    struct RecordBuffers {
        FrameHeader header;
        FrameExtension extension;
        CaptionDescriptor caption;
        std::array<std::uint8_t, kCaptionTextCapacity> captionText{};
    };
    int ReadFirst(RecordBuffers& b);
    int ReadNext(RecordBuffers& b);
    int ReadPrevious(RecordBuffers& b);
    int Decode(RecordBuffers& b, int show);
    std::span<std::uint8_t> FrameData() { return {m_pFrameData.get(), kFrameDataCapacity}; }
    std::span<std::uint8_t> RefFrameData() { return {m_pRefFrameData.get(), kFrameDataCapacity}; }
    void SetTitle(const std::string& title);

    Notifier& m_notifier;
    FrameReader m_reader;
    std::unique_ptr<std::uint8_t[]> m_pFrameData;
    std::unique_ptr<std::uint8_t[]> m_pRefFrameData;
    std::unique_ptr<std::uint8_t[]> m_pAudioOut;
    std::string m_szFilePath;
    int m_bFileOpen = 0;
    int m_bSoundOn = 0;
};

}  // namespace korvane
