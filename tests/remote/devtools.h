#pragma once

// A real browser for the tests: Debian's Chromium, headless, driven through its DevTools protocol
// over a WebSocket. Controls are found by their accessible names, as a screen reader finds them,
// and pressed with the mouse.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

namespace sleevelight::test {

class Browser
{
public:
    Browser()
    {
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
            if (message.contains(QStringLiteral("id")))
                m_answers.insert(message.value(QStringLiteral("id")).toInt(), message);
        });
    }
    ~Browser()
    {
        m_socket.abort();
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    static QString program() { return QStandardPaths::findExecutable(QStringLiteral("chromium")); }

    // Starts the browser with a window of that size; false when it does not come up.
    bool start(QSize window)
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(program(), {QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
                                    QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
                                    QStringLiteral("--user-data-dir=") + m_profile.path(),
                                    QStringLiteral("--remote-debugging-port=0"),
                                    QStringLiteral("--window-size=%1,%2").arg(window.width()).arg(window.height()),
                                    QStringLiteral("about:blank")});
        QByteArray said;
        static const QRegularExpression listening(QStringLiteral("DevTools listening on (ws://\\S+)"));
        QRegularExpressionMatch found;
        const bool up = QTest::qWaitFor(
            [&] {
                said += m_process.readAllStandardError();
                found = listening.match(QString::fromUtf8(said));
                return found.hasMatch() || m_process.state() == QProcess::NotRunning;
            },
            60000);
        if (!up || !found.hasMatch()) {
            qWarning("chromium did not start: %s", said.right(2000).constData());
            return false;
        }
        m_socket.open(QUrl(found.captured(1)));
        return QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 10000);
    }

    // A new tab at `url`, in a context of its own (no storage shared with the others) when asked.
    QString open(const QString& url, bool ownContext = false)
    {
        QJsonObject params{{QStringLiteral("url"), url}};
        if (ownContext)
            params.insert(QStringLiteral("browserContextId"),
                          call(QStringLiteral("Target.createBrowserContext"))
                              .value(QStringLiteral("browserContextId")));
        const QString target =
            call(QStringLiteral("Target.createTarget"), params).value(QStringLiteral("targetId")).toString();
        const QString session = call(QStringLiteral("Target.attachToTarget"),
                                     {{QStringLiteral("targetId"), target}, {QStringLiteral("flatten"), true}})
                                    .value(QStringLiteral("sessionId"))
                                    .toString();
        call(QStringLiteral("DOM.enable"), {}, session);
        call(QStringLiteral("Accessibility.enable"), {}, session);
        return session;
    }

    // The result of a protocol call, or an empty object after ten seconds or an error.
    QJsonObject call(const QString& method, const QJsonObject& params = {}, const QString& session = {})
    {
        const int id = ++m_lastId;
        QJsonObject message{{QStringLiteral("id"), id}, {QStringLiteral("method"), method},
                            {QStringLiteral("params"), params}};
        if (!session.isEmpty())
            message.insert(QStringLiteral("sessionId"), session);
        m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
        if (!QTest::qWaitFor([&] { return m_answers.contains(id); }, 10000))
            return {};
        const QJsonObject answer = m_answers.take(id);
        if (answer.contains(QStringLiteral("error")))
            qWarning("%s: %s", qPrintable(method),
                     QJsonDocument(answer.value(QStringLiteral("error")).toObject()).toJson().constData());
        return answer.value(QStringLiteral("result")).toObject();
    }

    // The page's element with that role and accessible name; 0 when there is none.
    int find(const QString& session, const QString& role, const QString& name)
    {
        const QJsonObject document = call(QStringLiteral("DOM.getDocument"), {{QStringLiteral("depth"), 0}}, session);
        const int root = document.value(QStringLiteral("root")).toObject().value(QStringLiteral("backendNodeId")).toInt();
        const QJsonArray nodes = call(QStringLiteral("Accessibility.queryAXTree"),
                                      {{QStringLiteral("backendNodeId"), root},
                                       {QStringLiteral("accessibleName"), name},
                                       {QStringLiteral("role"), role}},
                                      session)
                                     .value(QStringLiteral("nodes"))
                                     .toArray();
        for (const QJsonValue& node : nodes)
            if (!node.toObject().value(QStringLiteral("ignored")).toBool())
                return node.toObject().value(QStringLiteral("backendDOMNodeId")).toInt();
        return 0;
    }

    // A press of the mouse in the middle of the element.
    bool press(const QString& session, int node)
    {
        const QJsonArray quad = call(QStringLiteral("DOM.getBoxModel"), {{QStringLiteral("backendNodeId"), node}}, session)
                                    .value(QStringLiteral("model"))
                                    .toObject()
                                    .value(QStringLiteral("border"))
                                    .toArray();
        if (quad.size() != 8)
            return false;
        const double x = (quad[0].toDouble() + quad[4].toDouble()) / 2;
        const double y = (quad[1].toDouble() + quad[5].toDouble()) / 2;
        for (const char* type : {"mousePressed", "mouseReleased"})
            call(QStringLiteral("Input.dispatchMouseEvent"),
                 {{QStringLiteral("type"), QString::fromLatin1(type)}, {QStringLiteral("x"), x}, {QStringLiteral("y"), y},
                  {QStringLiteral("button"), QStringLiteral("left")}, {QStringLiteral("clickCount"), 1}},
                 session);
        return true;
    }

    // A key pressed with the element focused.
    void key(const QString& session, int node, const QString& key, int windowsCode)
    {
        call(QStringLiteral("DOM.focus"), {{QStringLiteral("backendNodeId"), node}}, session);
        for (const char* type : {"keyDown", "keyUp"})
            call(QStringLiteral("Input.dispatchKeyEvent"),
                 {{QStringLiteral("type"), QString::fromLatin1(type)}, {QStringLiteral("key"), key},
                  {QStringLiteral("code"), key}, {QStringLiteral("windowsVirtualKeyCode"), windowsCode}},
                 session);
    }

    // What the page's script says of an expression.
    QJsonValue evaluate(const QString& session, const QString& expression)
    {
        return call(QStringLiteral("Runtime.evaluate"),
                    {{QStringLiteral("expression"), expression}, {QStringLiteral("returnByValue"), true}}, session)
            .value(QStringLiteral("result"))
            .toObject()
            .value(QStringLiteral("value"));
    }

private:
    QTemporaryDir m_profile;
    QProcess m_process;
    QWebSocket m_socket;
    int m_lastId = 0;
    QHash<int, QJsonObject> m_answers;
};

} // namespace sleevelight::test
