#include "SseDecoder.h"

namespace velto::server {

std::vector<SseEvent> SseDecoder::feed(std::string_view bytes)
{
    std::vector<SseEvent> out;
    for (char c : bytes) {
        if (c == '\n' && lastWasCr_) {
            lastWasCr_ = false;
            continue;
        }
        lastWasCr_ = c == '\r';
        if (c == '\n' || c == '\r') {
            takeLine(out);
        } else {
            line_ += c;
        }
    }
    return out;
}

std::vector<SseEvent> SseDecoder::finish()
{
    std::vector<SseEvent> out;
    if (!line_.empty()) {
        takeLine(out);
    }
    dispatch(out);
    return out;
}

void SseDecoder::takeLine(std::vector<SseEvent>& out)
{
    std::string line = std::move(line_);
    line_.clear();
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
        event_ = value;
    } else if (field == "data") {
        if (hasData_) {
            data_ += '\n';
        }
        data_ += value;
        hasData_ = true;
    }
}

void SseDecoder::dispatch(std::vector<SseEvent>& out)
{
    if (hasData_) {
        out.push_back({event_.empty() ? "message" : event_, data_});
    }
    event_.clear();
    data_.clear();
    hasData_ = false;
}

} // namespace velto::server
