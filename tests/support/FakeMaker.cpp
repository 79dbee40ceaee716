#include "FakeMaker.h"

#include <QFile>
#include <QTimer>

#include <optional>

namespace testing_support {

void FakeMaker::failNextAsking(Question question, const QString &description)
{
    m_failures[question].push_back(description);
}

void FakeMaker::ask(Question question)
{
    ++m_asked[question];
    net::MakerAnswer answer;
    if (auto &failures = m_failures[question]; !failures.empty()) {
        answer.problem = QStringLiteral("Error: ") + failures.front();
        failures.pop_front();
    } else {
        answer.value = m_texts.value(question);
    }
    deliver([this, question, answer] { Q_EMIT answered(question, answer); });
}

void FakeMaker::fetchFile(const QString &url, const QString &folder)
{
    m_fetched << url;
    const std::optional<QByteArray> body
        = m_files.contains(url) ? std::optional(m_files.value(url)) : std::nullopt;
    deliver([=] {
        QString path;
        if (body) {
            QFile file(folder + QLatin1Char('/') + url.section(QLatin1Char('/'), -1));
            if (file.open(QIODevice::WriteOnly) && file.write(*body) == body->size())
                path = file.fileName();
        }
        Q_EMIT fileFetched(url, path);
    });
}

void FakeMaker::deliver(std::function<void()> reply)
{
    ++m_pending;
    // Answered once the program has handled it, with what it asked in turn.
    auto answer = [this, reply = std::move(reply)] {
        reply();
        --m_pending;
    };
    if (holdReplies)
        m_held.push_back(std::move(answer));
    else
        QTimer::singleShot(0, this, std::move(answer));
}

void FakeMaker::releaseReplies()
{
    holdReplies = false;
    for (auto &reply : std::exchange(m_held, {}))
        QTimer::singleShot(0, this, std::move(reply));
}

} // namespace testing_support
