#pragma once

#include "HandoffStore.h"

#include <string>

namespace velto::server {

// The HTML of the sign-in page that "login_url" opens in the browser, and of its outcomes.
// The forms post back to /signin with the handoff id and the button pressed ("continue" or
// "cancel").
class SignInPage
{
public:
    // "local" mode: the account that will be signed in, Continue and Cancel.
    // Both forms show the handoff's confirmation code, client and start time, to compare with
    // what the app shows: a link someone else sent would show another code.
    static std::string localForm(const Handoff& handoff, const std::string& email);

    // "password" mode: e-mail and password fields; `error` (may be empty) above the form.
    static std::string passwordForm(const Handoff& handoff, const std::string& email,
                                    const std::string& error);

    // A page with a heading and one sentence (signed in, cancelled, expired, ...).
    static std::string message(const std::string& title, const std::string& text);

    static std::string escape(const std::string& text);
};

} // namespace velto::server
