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
            takeLine(out);
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
        takeLine(out);
    }
    dispatch(out);
    return out;
}

void SseDecoder::takeLine(std::vector<SseEvent>& out)
{
    std::string line = std::move(m_line);
    m_line.clear();
    if (line.empty()) {
        dispatch(out);
        return;
    }
    if (line[0] == ':') {
        return;
    }
    auto colon = line.find(':');
    std::string field = line.substr(0, colon);
    std::string value = colon == std::string::npos ? std::string() : line.substr(colon + 1);
    if (!value.empty() && value[0] == ' ') {
        value.erase(0, 1);
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
