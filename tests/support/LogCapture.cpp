#include "LogCapture.h"

#include "TestPlatform.h"

#include <QLoggingCategory>

namespace testing_support {

namespace {
LogCapture *g_active = nullptr;
}

LogCapture::LogCapture(const char *category, const QString &rules)
    : m_category(category)
    , m_outer(g_active)
{
    if (!rules.isEmpty())
        QLoggingCategory::setFilterRules(rules);
    g_active = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    g_active = m_outer;
    quietLogging();
}

void LogCapture::handler(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    if (g_active && context.category
        && g_active->m_category.split(' ').contains(QByteArray(context.category)))
        g_active->m_lines << text;
}

} // namespace testing_support
