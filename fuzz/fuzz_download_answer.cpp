// The download engine on any answer from the download server: the status line, the headers it
// reads (Content-Length, Content-Range, ETag, Last-Modified) and the body, over as many requests
// as the engine makes. The input is a list of answers separated by "\n@@\n"; each is the header
// text up to its empty line, then the body. Every answer but the last breaks off after its body,
// as a reset connection does; the user answers Retry and Yes to every question.
//
// Invariants: a failed download leaves no file; a download that took one request holds exactly
// that request's body.

#include "FuzzTarget.h"
#include "download/DownloadEngine.h"
#include "platform/Services.h"

#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

const QByteArray kSeparator("\n@@\n");
constexpr int kMaxRequests = 6;

struct Answer
{
    QString header;
    QByteArray body;
};

class NullView final : public download::DownloadView
{
public:
    void setStatusText(const QString &) override { }
    void setSourceText(const QString &) override { }
    void setToText(const QString &) override { }
    void setTimeText(const QString &) override { }
    void setRateText(const QString &) override { }
    void setProgress(qint64, qint64) override { }
    void setCaptionText(const QString &) override { }
    void playAnimation(const QString &) override { }
    void closeAnimation() override { }
    void showCentred() override { }
    void closeWindow() override { }
};

class StepClock final : public platform::Clock
{
public:
    qint64 nowMs() const override { return m_now += 7; }
    void waitForEvents(int, QEventLoop::ProcessEventsFlags) override { }

private:
    mutable qint64 m_now = 0;
};

class AgreeingDialogs final : public platform::Dialogs
{
public:
    int messageBox(const platform::MessageBoxRequest &request) override
    {
        switch (request.buttons & platform::mb::kButtonsMask) {
        case platform::mb::RetryCancel:
            return platform::mb::Retry;
        case platform::mb::YesNo:
        case platform::mb::YesNoCancel:
            return platform::mb::Yes;
        default:
            return platform::mb::OK;
        }
    }
    QString inputBox(const platform::InputBoxRequest &) override { return QString(); }
};

class ScriptedTransfer final : public platform::HttpTransfer
{
public:
    explicit ScriptedTransfer(std::vector<Answer> answers)
        : m_answers(std::move(answers))
    { }

    int requests() const { return m_requests; }

    void setCredentials(const QString &, const QString &) override { }
    void Execute(const QString &, const QString &, const QString &) override
    {
        m_current = m_requests < int(m_answers.size()) && m_requests < kMaxRequests
            ? &m_answers[std::size_t(m_requests)]
            : nullptr;
        ++m_requests;
        m_read = 0;
        m_failure = m_current ? NoFailure : ConnectFailed;
    }
    bool StillExecuting() override { return false; }
    QString headerText() const override { return m_current ? m_current->header : QString(); }
    QString GetHeader(const QString &name) const override
    {
        // As the real transfer reads its header text: the first line is the status line.
        const QStringList lines = headerText().split(QStringLiteral("\r\n"));
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = int(lines[i].indexOf(QLatin1Char(':')));
            if (colon > 0 && lines[i].left(colon).compare(name, Qt::CaseInsensitive) == 0)
                return lines[i].mid(colon + 1).trimmed();
        }
        return QString();
    }
    QString RemoteHost() const override { return QStringLiteral("127.0.0.1"); }
    QByteArray GetChunk(int maxSize) override
    {
        if (!m_current)
            return QByteArray();
        const QByteArray chunk = m_current->body.mid(m_read, std::max(1, maxSize));
        m_read += chunk.size();
        const bool last = m_current == &m_answers.back();
        if (chunk.isEmpty() && !last)
            m_failure = BodyBroken;
        return chunk;
    }
    void Cancel() override { m_current = nullptr; }
    Failure failure() const override { return m_failure; }
    QString failureText() const override { return QStringLiteral("scripted"); }

private:
    std::vector<Answer> m_answers;
    const Answer *m_current = nullptr;
    int m_requests = 0;
    qsizetype m_read = 0;
    Failure m_failure = NoFailure;
};

std::vector<Answer> answersOf(const QByteArray &input)
{
    std::vector<Answer> answers;
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = input.indexOf(kSeparator, from);
        const QByteArray piece = input.mid(from, end < 0 ? -1 : end - from);
        const qsizetype blank = piece.indexOf("\r\n\r\n");
        Answer answer;
        answer.header = QString::fromLatin1(blank < 0 ? piece : piece.left(blank + 4));
        answer.body = blank < 0 ? QByteArray() : piece.mid(blank + 4);
        answers.push_back(answer);
        if (end < 0)
            break;
        from = end + kSeparator.size();
    }
    return answers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool ready = [] {
        fuzzing::quietLogging();
        static StepClock clock;
        static AgreeingDialogs dialogs;
        platform::install(&clock);
        platform::install(&dialogs);
        return true;
    }();
    (void)ready;
    static QTemporaryDir folder;

    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::vector<Answer> answers = answersOf(input);
    ScriptedTransfer transfer(answers);
    NullView view;
    bool cancel = false;
    const QString destination = folder.filePath(QStringLiteral("update.hex"));
    download::DownloadOptions options;
    options.chunkSize = 7; // several steps for even a short body
    const bool good = download::DownloadFile(view,
                                             transfer,
                                             cancel,
                                             QStringLiteral("http://127.0.0.1/update.hex"),
                                             destination,
                                             QString(),
                                             QString(),
                                             options);

    QFile file(destination);
    if (!good) {
        if (file.exists())
            fuzzing::violated("a failed download left its file");
    } else {
        if (!file.open(QIODevice::ReadOnly))
            fuzzing::violated("a good download without its file");
        if (transfer.requests() == 1 && file.readAll() != answers.front().body)
            fuzzing::violated("the file is not the body that came");
        file.close();
    }
    QFile::remove(destination);
    return 0;
}
