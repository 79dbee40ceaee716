#pragma once

// The maker's servers as the flow sees them, with no network: by default the program is current
// ("5.0") and no update is on offer ("N"), so a test that does not care sees no window and no
// box. A test sets the answers it wants (as the client hands them on: no blanks around them),
// makes the next question fail as a dead server would, serves files to fetch (any other fetch
// fails, as the client reports a failure), or holds the replies to act while they are out.
// Answers arrive from the event loop, as the network's do.

#include "net/MakerClient.h"

#include <QHash>
#include <QPair>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>

namespace testing_support {

inline constexpr auto kVersion = net::MakerService::Question::LatestVersion;
inline constexpr auto kUpdate = net::MakerService::Question::UpdateOffer;

class FakeMaker final : public net::MakerService
{
public:
    using Question = net::MakerService::Question;

    // The text of the answers' one field, as the maker's database holds it.
    void setVersion(const QString &value) { m_texts[Question::LatestVersion] = value; }
    void setUpdate(const QString &value) { m_texts[Question::UpdateOffer] = value; }
    // The next question gets no answer but this network failure ("Connection refused").
    void failNextAsking(Question question, const QString &description);
    // A fetch of url gets body.
    void serve(const QString &url, const QByteArray &body) { m_files.insert(url, body); }

    // Replies wait until releaseReplies() while this is set.
    bool holdReplies = false;
    void releaseReplies();
    int repliesOut() const { return int(m_held.size()); }
    // Questions and fetches whose answer has not been handled yet, held ones included.
    bool answering() const { return m_pending > 0; }

    int asked(Question question) const { return m_asked.value(question); }
    // The addresses fetched, in order.
    const QStringList &fetched() const { return m_fetched; }

    void ask(Question question) override;
    void fetchFile(const QString &url, const QString &folder) override;

private:
    void deliver(std::function<void()> reply);

    QHash<Question, QString> m_texts {{Question::LatestVersion, QStringLiteral("5.0")},
                                      {Question::UpdateOffer, QStringLiteral("N")}};
    std::map<Question, std::deque<QString>> m_failures;
    QHash<Question, int> m_asked;
    QHash<QString, QByteArray> m_files;
    int m_pending = 0;
    std::deque<std::function<void()>> m_held;
    QStringList m_fetched;
};

} // namespace testing_support
