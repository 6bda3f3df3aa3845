#pragma once

#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

namespace velto::test {

// Plays the user's browser on the sign-in page: loads the page the app asked the desktop to
// open and submits its form with one of its buttons, the way a click does.
class SignInBrowser
{
public:
    struct Page
    {
        int status = 0;
        QString title;
        QByteArray html;
    };

    // Loads url and submits its form with the button labelled `button` ("Continue"). Returns
    // the page the form's answer shows; status 0 and the reason as title when there is none.
    Page submit(const QUrl& url, const QString& button);

private:
    Page fetch(QNetworkReply* reply);

    QNetworkAccessManager m_network;
};

} // namespace velto::test
