#include "e2e/app/SignInBrowser.h"

#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>

namespace velto::test {

namespace {

QString unescape(QString text)
{
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QString attribute(const QString& tag, const QString& name)
{
    const QRegularExpression pattern(QStringLiteral("\\b%1=\"([^\"]*)\"").arg(name));
    const QRegularExpressionMatch match = pattern.match(tag);
    return match.hasMatch() ? unescape(match.captured(1)) : QString();
}

SignInBrowser::Page failure(const QString& reason)
{
    return {0, reason, {}};
}

} // namespace

SignInBrowser::Page SignInBrowser::fetch(QNetworkReply* reply)
{
    const bool finished = QTest::qWaitFor([&] { return reply->isFinished(); }, 10000);
    Page page;
    if (!finished) {
        reply->abort();
        page = failure(QStringLiteral("no answer from ") + reply->url().toString());
    } else if (reply->error() != QNetworkReply::NoError &&
               !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        page = failure(reply->errorString());
    } else {
        page.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        page.html = reply->readAll();
        const QRegularExpressionMatch title =
            QRegularExpression(QStringLiteral("<title>([^<]*)</title>"))
                .match(QString::fromUtf8(page.html));
        page.title = title.hasMatch() ? unescape(title.captured(1)) : QString();
    }
    reply->deleteLater();
    return page;
}

SignInBrowser::Page SignInBrowser::submit(const QUrl& url, const QString& button)
{
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https"))
        return failure(QStringLiteral("not a web address: ") + url.toString());
    const Page form = fetch(m_network.get(QNetworkRequest(url)));
    if (form.status != 200)
        return failure(
            QStringLiteral("the sign-in page answered %1 %2").arg(form.status).arg(form.title));

    const QString html = QString::fromUtf8(form.html);
    const QRegularExpressionMatch formTag =
        QRegularExpression(QStringLiteral("<form\\b[^>]*>(.*?)</form>"),
                           QRegularExpression::DotMatchesEverythingOption)
            .match(html);
    if (!formTag.hasMatch())
        return failure(QStringLiteral("the sign-in page has no form"));
    const QString open = formTag.captured(0).left(formTag.captured(0).indexOf('>') + 1);
    if (attribute(open, QStringLiteral("method")).toLower() != u"post")
        return failure(QStringLiteral("the sign-in form is not posted"));

    QByteArray fields;
    const auto add = [&fields](const QString& name, const QString& value) {
        if (!fields.isEmpty())
            fields += '&';
        fields += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    };
    QRegularExpressionMatchIterator inputs =
        QRegularExpression(QStringLiteral("<input\\b[^>]*>")).globalMatch(formTag.captured(1));
    while (inputs.hasNext()) {
        const QString input = inputs.next().captured(0);
        if (attribute(input, QStringLiteral("type")) == u"hidden")
            add(attribute(input, QStringLiteral("name")),
                attribute(input, QStringLiteral("value")));
    }
    bool pressed = false;
    QRegularExpressionMatchIterator buttons =
        QRegularExpression(QStringLiteral("(<button\\b[^>]*>)([^<]*)</button>"))
            .globalMatch(formTag.captured(1));
    while (buttons.hasNext()) {
        const QRegularExpressionMatch match = buttons.next();
        if (unescape(match.captured(2)).trimmed() != button)
            continue;
        // The clicked button's own name and value go with the form, as in a browser.
        const QString name = attribute(match.captured(1), QStringLiteral("name"));
        if (!name.isEmpty())
            add(name, attribute(match.captured(1), QStringLiteral("value")));
        pressed = true;
    }
    if (!pressed)
        return failure(QStringLiteral("the sign-in form has no \"%1\" button").arg(button));

    QNetworkRequest post(url.resolved(QUrl(attribute(open, QStringLiteral("action")))));
    post.setHeader(QNetworkRequest::ContentTypeHeader,
                   QByteArrayLiteral("application/x-www-form-urlencoded"));
    return fetch(m_network.post(post, fields));
}

} // namespace velto::test
