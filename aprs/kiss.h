#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::aprs {

// KISS framing as TNCs such as Dire Wolf speak it on their TCP port.
inline constexpr char kFend = '\xC0', kFesc = '\xDB', kTfend = '\xDC', kTfesc = '\xDD';

// One data frame from the TNC: the port nibble of the command byte and the AX.25 frame
// (without FCS; TNCs check and strip it).
struct KissFrame {
    int port = 0;
    std::string data;
};

// Cuts a TCP byte stream, which arrives in arbitrary chunks, into KISS data frames.
class KissDecoder {
public:
    explicit KissDecoder(std::size_t maxFrameBytes = 1024);

    // Appends the complete data frames found to `out`; bad escapes / oversize / non-data
    // frames are dropped and counted. Memory stays bounded whatever arrives: at most
    // maxFrameBytes are held for a frame that has not ended yet.
    void feed(std::string_view bytes, std::vector<KissFrame>& out);
    std::size_t droppedFrames() const { return m_dropped; }

private:
    void endFrame(std::vector<KissFrame>& out);

    std::size_t m_maxFrameBytes;
    std::string m_frame; // command byte and unescaped data so far
    bool m_synced = false;
    bool m_escaped = false;
    bool m_bad = false; // the frame so far is broken: drop it at its end
    std::size_t m_dropped = 0;
};

// FEND, command byte (port in the high nibble, 0 = data), the escaped frame, FEND.
std::string kissEncode(std::string_view ax25Frame, int port = 0);

} // namespace quillet::aprs
