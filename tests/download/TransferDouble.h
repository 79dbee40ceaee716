#pragma once

// A scripted HTTP transfer for the download engine: a set header block, then the body in the
// chunks given, then how the body ended. Each GetChunk can run a hook first (to read the window
// in the middle of a download, or move virtual time). Used where a real server cannot produce
// the answer (a status line without CR, an empty first chunk) or where exact timing matters.
// FixedSpace stands in for the disk.

#include "platform/DiskSpace.h"
#include "platform/HttpTransfer.h"

#include <QFile>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

namespace testing_support {

class TransferDouble final : public platform::HttpTransfer
{
public:
    struct Answer
    {
        QString headerText;
        std::deque<QByteArray> chunks;
        Failure endsWith = NoFailure;
    };

    // Answers of the requests, in order; a request with none left gets no answer at all.
    std::deque<Answer> answers;
    // Runs before each chunk is handed out, with the count of chunks handed out so far.
    std::function<void(int)> beforeChunk;
    // The address and the extra header text of every request.
    QStringList urls;
    QStringList requests;

    // Queues a whole answer with this status ("200 OK"...); an empty status gets no answer at all.
    void serve(const QString &status, const QByteArray &body)
    {
        Answer a;
        if (status.isEmpty())
            a.endsWith = ConnectFailed;
        else
            a.headerText = QStringLiteral("HTTP/1.1 ") + status + QStringLiteral("\r\n\r\n");
        a.chunks = {body};
        answers.push_back(a);
    }

    void setCredentials(const QString &, const QString &) override { }
    void Execute(const QString &url, const QString &, const QString &headerText) override
    {
        urls << url;
        requests << headerText;
        m_current = Answer();
        m_current.endsWith = ConnectFailed;
        if (!answers.empty()) {
            m_current = answers.front();
            answers.pop_front();
        }
        m_handedOut = 0;
    }
    bool StillExecuting() override { return false; }
    QString headerText() const override { return m_current.headerText; }
    QString GetHeader(const QString &name) const override
    {
        for (const QString &line : m_current.headerText.split(QStringLiteral("\r\n"))) {
            if (line.section(QLatin1Char(':'), 0, 0).compare(name, Qt::CaseInsensitive) == 0)
                return line.section(QLatin1Char(':'), 1).trimmed();
        }
        return QString();
    }
    QString RemoteHost() const override { return QStringLiteral("downloads.test"); }
    QByteArray GetChunk(int maxSize) override
    {
        if (beforeChunk)
            beforeChunk(m_handedOut);
        ++m_handedOut;
        if (m_current.chunks.empty())
            return QByteArray();
        QByteArray chunk = m_current.chunks.front();
        m_current.chunks.pop_front();
        if (chunk.size() > maxSize) {
            m_current.chunks.push_front(chunk.mid(maxSize));
            chunk.truncate(maxSize);
        }
        return chunk;
    }
    void Cancel() override { }
    Failure failure() const override
    {
        return m_current.chunks.empty() ? m_current.endsWith : NoFailure;
    }
    QString failureText() const override { return QStringLiteral("scripted"); }

private:
    Answer m_current;
    int m_handedOut = 0;
};

// Free disk space as the test sets it, installed while it lives; remembers the path asked about.
class FixedSpace final : public platform::DiskSpace
{
public:
    explicit FixedSpace(double freeBytes = 0)
        : free(freeBytes)
    {
        platform::install(this);
    }
    ~FixedSpace() override { platform::install(static_cast<platform::DiskSpace *>(nullptr)); }
    FixedSpace(const FixedSpace &) = delete;
    FixedSpace &operator=(const FixedSpace &) = delete;

    double free;
    QString asked;
    double freeBytes(const QString &path) override
    {
        asked = path;
        return free;
    }
};

// A file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Hands a double to the window that asks for a transfer. The window owns it from then on; the
// test keeps using it through transfer() while the window lives (until TestPlatform ends).
class DoubleFactory final : public platform::HttpTransferFactory
{
public:
    TransferDouble &transfer() { return *m_transfer; }
    std::unique_ptr<platform::HttpTransfer> create() override
    {
        m_owned.release(); // the window owns it now
        return std::unique_ptr<platform::HttpTransfer>(m_transfer);
    }

private:
    TransferDouble *m_transfer = new TransferDouble;
    // Owns the double until a window takes it.
    std::unique_ptr<TransferDouble> m_owned {m_transfer};
};

} // namespace testing_support
