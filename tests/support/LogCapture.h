#pragma once

// The program's log lines of some categories (named apart by blanks), collected while the capture
// lives. The filter rules given (for example "kovara.files.info=true") are set for that time and
// the tests' quiet rules come back afterwards. One capture at a time; a later one takes over until
// it ends.

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace testing_support {

class LogCapture
{
public:
    explicit LogCapture(const char *category, const QString &rules = QString());
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    const QStringList &lines() const { return m_lines; }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text);

    QByteArray m_category;
    QStringList m_lines;
    LogCapture *m_outer = nullptr;
    QtMessageHandler m_previous = nullptr;
};

} // namespace testing_support
