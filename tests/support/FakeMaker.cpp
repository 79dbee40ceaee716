#include "FakeMaker.h"

#include <QFile>
#include <QTimer>

namespace testing_support {

void FakeMaker::failNextAsking(Question question, const QString &description)
{
    m_failures[question].push_back(description);
}

void FakeMaker::serve(const QString &url, int status, const QByteArray &body)
{
    m_files.insert(url, {status, body});
}

void FakeMaker::ask(Question question)
{
    ++m_asked[question];
    net::MakerAnswer answer;
    if (auto &failures = m_failures[question]; !failures.empty()) {
        answer.problem = QStringLiteral("Error: ") + failures.front();
        failures.pop_front();
    } else {
        answer.value = net::trimBlanks(m_texts.value(question));
    }
    deliver([this, question, answer] { Q_EMIT answered(question, answer); });
}

void FakeMaker::fetchFile(const QString &url, const QString &folder)
{
    m_fetched << url;
    const auto [status, body] = m_files.value(url, {404, QByteArray()});
    deliver([=] {
        QFile file(folder + QLatin1Char('/') + url.section(QLatin1Char('/'), -1));
        const bool written = status / 100 == 2 && file.open(QIODevice::WriteOnly)
            && file.write(body) == body.size() && file.flush();
        file.close();
        Q_EMIT fileFetched(url, written ? file.fileName() : QString());
    });
}

void FakeMaker::deliver(std::function<void()> reply)
{
    if (holdReplies)
        m_held.push_back(std::move(reply));
    else
        QTimer::singleShot(0, this, std::move(reply));
}

void FakeMaker::releaseReplies()
{
    holdReplies = false;
    for (auto &reply : std::exchange(m_held, {}))
        QTimer::singleShot(0, this, std::move(reply));
}

} // namespace testing_support
