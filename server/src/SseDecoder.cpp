#include "SseDecoder.h"

namespace velto::server {

std::vector<SseEvent> SseDecoder::feed(std::string_view bytes)
{
    std::vector<SseEvent> out;
    for (char c : bytes) {
        if (c == '\n' && m_lastWasCr) {
            m_lastWasCr = false;
            continue;
        }
        m_lastWasCr = c == '\r';
        if (c == '\n' || c == '\r') {
            takeLine(m_line, out);
            m_line.clear();
        } else {
            m_line += c;
        }
    }
    return out;
}

std::vector<SseEvent> SseDecoder::finish()
{
    std::vector<SseEvent> out;
    if (!m_line.empty()) {
        takeLine(m_line, out);
        m_line.clear();
    }
    dispatch(out);
    return out;
}

void SseDecoder::takeLine(std::string_view line, std::vector<SseEvent>& out)
{
    if (line.empty()) {
        dispatch(out);
        return;
    }
    if (line.front() == ':') {
        return;
    }
    const auto colon = line.find(':');
    const std::string_view field = line.substr(0, colon);
    std::string_view value =
        colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ') {
        value.remove_prefix(1);
    }
    if (field == "event") {
        m_event = value;
    } else if (field == "data") {
        if (m_hasData) {
            m_data += '\n';
        }
        m_data += value;
        m_hasData = true;
    }
}

void SseDecoder::dispatch(std::vector<SseEvent>& out)
{
    if (m_hasData) {
        out.push_back({m_event.empty() ? "message" : m_event, m_data});
    }
    m_event.clear();
    m_data.clear();
    m_hasData = false;
}

} // namespace velto::server
