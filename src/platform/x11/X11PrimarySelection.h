#pragma once

#include "platform/FocusedSelection.h"

#include <memory>

namespace velto {

class X11Connection;
class X11SelectionReader;
class X11Windows;

// The PRIMARY selection, trusted as "the focused element's selection" only when its owner is the
// same X client as the active window: otherwise it is likely stale text from another application.
class X11PrimarySelection : public FocusedSelection
{
public:
    X11PrimarySelection(X11Connection& connection, X11Windows& windows);
    ~X11PrimarySelection() override;

    QCoro::Task<std::optional<QString>> selectedText() override;

private:
    X11Connection& m_connection;
    X11Windows& m_windows;
    std::unique_ptr<X11SelectionReader> m_reader;
};

} // namespace velto
