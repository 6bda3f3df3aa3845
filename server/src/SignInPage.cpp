#include "SignInPage.h"

#include <ctime>

namespace velto::server {

namespace {

std::string page(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           SignInPage::escape(title) +
           " - Velto</title><style>"
           "body{font-family:system-ui,sans-serif;background:#f4f4f6;color:#1d1d1f;margin:0}"
           "main{max-width:26rem;margin:12vh auto;background:#fff;border-radius:12px;"
           "padding:2rem;box-shadow:0 2px 12px rgba(0,0,0,.08)}"
           "h1{font-size:1.4rem;margin-top:0}label{display:block;margin:.8rem 0 .3rem}"
           "input[type=email],input[type=password]{width:100%;box-sizing:border-box;"
           "padding:.5rem;font-size:1rem}"
           ".buttons{display:flex;gap:.6rem;margin-top:1.4rem}"
           "button{font-size:1rem;padding:.5rem 1.2rem;border-radius:8px;border:1px solid #bbb;"
           "background:#fff;cursor:pointer}button.primary{background:#2563eb;color:#fff;"
           "border-color:#2563eb}.error{color:#b91c1c}"
           ".code{font:600 1.6rem ui-monospace,monospace;letter-spacing:.15em;margin:.4rem 0}"
           "</style></head><body><main>" +
           body + "</main></body></html>\n";
}

std::string hiddenHandoff(const std::string& handoffId)
{
    return "<input type=\"hidden\" name=\"handoff_id\" value=\"" + SignInPage::escape(handoffId) +
           "\">";
}

std::string confirmation(const Handoff& handoff)
{
    if (handoff.userCode.empty()) {
        return {};
    }
    std::time_t started = static_cast<std::time_t>(handoff.createdAt);
    std::tm tm{};
    gmtime_r(&started, &tm);
    char time[32];
    std::strftime(time, sizeof time, "%H:%M UTC", &tm);
    std::string client = handoff.client.empty() ? "an app" : "\"" + handoff.client + "\"";
    return "<p>Confirm that Velto shows this code:</p><p class=\"code\">" +
           SignInPage::escape(handoff.userCode) + "</p><p>Sign-in started by " +
           SignInPage::escape(client) + " at " + time +
           ". If Velto shows another code, or you did not start a sign-in, press Cancel: "
           "someone else may have sent you this link.</p>";
}

const char* const kButtons =
    "<div class=\"buttons\"><button class=\"primary\" type=\"submit\" name=\"action\" "
    "value=\"continue\">Continue</button><button type=\"submit\" name=\"action\" "
    "value=\"cancel\" formnovalidate>Cancel</button></div>";

} // namespace

std::string SignInPage::escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string SignInPage::localForm(const Handoff& handoff, const std::string& email)
{
    return page("Sign in", "<h1>Sign in to Velto</h1>" + confirmation(handoff) +
                               "<p>Continue as <strong>" + escape(email) +
                               "</strong>, the local account of this server.</p>"
                               "<form method=\"post\" action=\"/signin\">" +
                               hiddenHandoff(handoff.id) + kButtons + "</form>");
}

std::string SignInPage::passwordForm(const Handoff& handoff, const std::string& email,
                                     const std::string& error)
{
    const std::string& handoffId = handoff.id;
    std::string body = "<h1>Sign in to Velto</h1>" + confirmation(handoff);
    if (!error.empty()) {
        body += "<p class=\"error\">" + escape(error) + "</p>";
    }
    body += "<form method=\"post\" action=\"/signin\">" + hiddenHandoff(handoffId) +
            "<label for=\"email\">E-mail</label><input id=\"email\" type=\"email\" "
            "name=\"email\" autocomplete=\"username\" required value=\"" +
            escape(email) +
            "\"><label for=\"password\">Password</label><input id=\"password\" "
            "type=\"password\" name=\"password\" autocomplete=\"current-password\" required>" +
            kButtons + "</form>";
    return page("Sign in", body);
}

std::string SignInPage::message(const std::string& title, const std::string& text)
{
    return page(title, "<h1>" + escape(title) + "</h1><p>" + escape(text) + "</p>");
}

} // namespace velto::server
