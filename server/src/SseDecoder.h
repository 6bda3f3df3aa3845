#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velto::server {

struct SseEvent
{
    std::string event; // "message" when the block names none
    std::string data;  // the block's data lines joined by "\n"
};

// Incremental decoder of a server-sent-events body (the upstream model's stream): feed it bytes
// as they arrive, get every event completed so far.
class SseDecoder
{
public:
    std::vector<SseEvent> feed(std::string_view bytes);
    // The event of an unterminated last block, if any.
    std::vector<SseEvent> finish();

private:
    void takeLine(std::string_view line, std::vector<SseEvent>& out);
    void dispatch(std::vector<SseEvent>& out);

    std::string m_line;
    std::string m_event;
    std::string m_data;
    bool m_hasData = false;
    bool m_lastWasCr = false;
};

} // namespace velto::server
