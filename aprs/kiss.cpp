#include "aprs/kiss.h"

namespace quillet::aprs {

KissDecoder::KissDecoder(std::size_t maxFrameBytes) : m_maxFrameBytes(maxFrameBytes) {
    m_frame.reserve(maxFrameBytes + 1);
}

void KissDecoder::feed(std::string_view bytes, std::vector<KissFrame>& out) {
    for (const char c : bytes) {
        if (c == kFend) {
            // Bytes before the first FEND are the tail of a frame we joined in the middle of.
            if (m_synced) {
                endFrame(out);
            }
            m_synced = true;
            continue;
        }
        if (!m_synced || m_bad) {
            continue;
        }
        char byte = c;
        if (m_escaped) {
            m_escaped = false;
            if (c == kTfend) {
                byte = kFend;
            } else if (c == kTfesc) {
                byte = kFesc;
            } else {
                m_bad = true;
                ++m_dropped;
                continue;
            }
        } else if (c == kFesc) {
            m_escaped = true;
            continue;
        }
        // One command byte plus the frame itself.
        if (m_frame.size() > m_maxFrameBytes) {
            m_bad = true;
            ++m_dropped;
            m_frame.clear();
            continue;
        }
        m_frame.push_back(byte);
    }
}

void KissDecoder::endFrame(std::vector<KissFrame>& out) {
    if (m_escaped && !m_bad) {
        ++m_dropped; // FESC right before FEND
    } else if (!m_bad && !m_frame.empty()) {
        const auto command = static_cast<unsigned char>(m_frame[0]);
        if ((command & 0x0F) != 0 || m_frame.size() == 1) {
            ++m_dropped; // TNC settings or return, or a data frame with nothing in it
        } else {
            out.push_back(KissFrame{command >> 4, m_frame.substr(1)});
        }
    }
    m_frame.clear();
    m_escaped = false;
    m_bad = false;
}

std::string kissEncode(std::string_view ax25Frame, int port) {
    std::string out;
    out.reserve(ax25Frame.size() + ax25Frame.size() / 8 + 4);
    auto put = [&out](char c) {
        if (c == kFend) {
            out += {kFesc, kTfend};
        } else if (c == kFesc) {
            out += {kFesc, kTfesc};
        } else {
            out.push_back(c);
        }
    };
    out.push_back(kFend);
    put(static_cast<char>((port & 0x0F) << 4)); // port 12 makes the command byte a FEND
    for (const char c : ax25Frame) {
        put(c);
    }
    out.push_back(kFend);
    return out;
}

} // namespace quillet::aprs
