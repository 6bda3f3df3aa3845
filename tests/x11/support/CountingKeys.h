#pragma once

#include "platform/SyntheticKeys.h"
#include "system/SelectionService.h"

namespace velto::test {

// Forwards to the real keys and counts the copies, so a test can tell which route read the
// selection.
class CountingKeys : public SyntheticKeys
{
public:
    explicit CountingKeys(SyntheticKeys& keys) : m_keys(keys) {}
    int copies = 0;

    bool isAvailable() override { return m_keys.isAvailable(); }
    bool canPost(std::uint16_t keyCode) override { return m_keys.canPost(keyCode); }
    void post(std::uint16_t keyCode, std::uint64_t flags, bool keyDown) override
    {
        m_keys.post(keyCode, flags, keyDown);
        copies += keyDown && keyCode == SelectionService::copyKeyCode;
    }

private:
    SyntheticKeys& m_keys;
};

} // namespace velto::test
