#include "cli/CommandOutput.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace cli {

namespace {

constexpr int kBarWidth = 24;
// A line redrawn in place must not wrap on an 80-column terminal.
constexpr int kLineWidth = 79;

} // namespace

Listing portListing(const QList<platform::SerialPortInfo> &ports)
{
    QJsonArray items;
    QStringList lines;
    for (const platform::SerialPortInfo &port : ports) {
        items.append(QJsonObject {{QStringLiteral("name"), port.name()},
                                  {QStringLiteral("device"), port.device}});
        // The device beside the name where the name does not already say it ("\\.\COM3").
        lines << (port.device.endsWith(port.name(), Qt::CaseInsensitive)
                      ? port.name()
                      : port.name() + QStringLiteral("  ") + port.device);
    }
    return {lines.join(QLatin1Char('\n')), {{QStringLiteral("ports"), items}}};
}

QString oneLine(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral(" *\r[\r ]*"));
    return text.trimmed().replace(breaks, QStringLiteral(" "));
}

CommandOutput::CommandOutput(QIODevice &out, QIODevice &err, Options options)
    : m_out(out)
    , m_err(err)
    , m_options(options)
{ }

void CommandOutput::say(const QString &text)
{
    if (m_options.quiet)
        return;
    endBar();
    write(m_err, text + QLatin1Char('\n'));
    if (m_options.terminal)
        m_linesBelow += int(text.count(QLatin1Char('\n'))) + 1;
}

void CommandOutput::beginLines(const QStringList &lines)
{
    m_lines = QList<Line>(lines.size());
    m_linesBelow = 0;
    if (m_options.quiet)
        return;
    endBar();
    for (int i = 0; i < lines.size(); ++i) {
        const QString words = fitted(lines.at(i));
        m_lines[i] = {lines.at(i), int(words.size()), -1, -1};
        write(m_err, words + QLatin1Char('\n'));
    }
}

void CommandOutput::line(int index, int phase, int percent, const QString &text)
{
    if (m_options.quiet || index < 0 || index >= m_lines.size())
        return;
    Line &shown = m_lines[index];
    if (!m_options.terminal) {
        if (shown.movesOn(phase, percent < 0 ? -1 : percent / 10))
            write(m_err, text + QLatin1Char('\n'));
        return;
    }
    const QString moved
        = percent < 0 ? text : QString::number(phase) + QLatin1Char(' ') + QString::number(percent);
    if (moved == shown.moved)
        return;
    shown.moved = moved;
    // Up to the line, over it, and back down to where the next line of the output goes.
    const QString words = fitted(text);
    const int up = int(m_lines.size()) - index + m_linesBelow;
    write(m_err,
          QStringLiteral("\x1b[%1A\r%2\x1b[%1B\r").arg(up).arg(words.leftJustified(shown.width)));
    shown.width = int(words.size());
}

QString CommandOutput::fitted(const QString &text) const
{
    if (!m_options.terminal || text.size() <= kLineWidth)
        return text;
    return text.left(kLineWidth - 3) + QStringLiteral("...");
}

void CommandOutput::progress(int phase, const QString &line, qint64 value, qint64 maximum)
{
    if (m_options.quiet)
        return;
    const qint64 shown = maximum > 0 ? qBound<qint64>(0, value, maximum) : 0;
    if (m_options.terminal) {
        const int filled = maximum > 0 ? int(shown * kBarWidth / maximum) : 0;
        const QString bar
            = QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('-'));
        const QString percent
            = maximum > 0 ? QStringLiteral(" %1%").arg(shown * 100 / maximum) : QString();
        // Redrawn when the bar, the percentage or the phase moves, so at most about a hundred
        // times a phase: a console window that draws slowly (Wine's) would lag the work.
        const QString moved = maximum > 0 ? bar + percent + QString::number(phase) : line;
        m_barPending = QStringLiteral("[%1]%2 %3").arg(bar, percent, line);
        if (m_barWidth == 0 || moved != m_barMoved) {
            m_barMoved = moved;
            drawBar();
        }
        return;
    }
    if (m_plainBar.movesOn(phase, maximum > 0 ? int(shown * 10 / maximum) : 0))
        write(m_err, line + QLatin1Char('\n'));
}

void CommandOutput::finish(ExitCode code, const QString &text, QJsonObject fields)
{
    endBar();
    const bool ok = code == ExitCode::Success;
    const QString words = oneLine(text);
    if (m_options.json) {
        fields.insert(QStringLiteral("ok"), ok);
        fields.insert(QStringLiteral("exit"), int(code));
        fields.insert(QStringLiteral("message"), words);
        write(m_out,
              QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact)) + '\n');
        if (!ok)
            write(m_err, words + QLatin1Char('\n'));
        return;
    }
    if (words.isEmpty() || (ok && m_options.quiet))
        return;
    write(ok ? m_out : m_err, words + QLatin1Char('\n'));
}

void CommandOutput::write(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
}

void CommandOutput::drawBar()
{
    // Back to the line's start; spaces, not an erase sequence, cover the rest of a longer line
    // before, as Windows' console prints escape sequences as they are.
    write(m_err, QLatin1Char('\r') + m_barPending.leftJustified(m_barWidth));
    m_barWidth = int(m_barPending.size());
    m_barPending.clear();
}

void CommandOutput::endBar()
{
    if (m_barWidth == 0)
        return;
    // The bar's last words stay: the last block, not the last one drawn.
    if (!m_barPending.isEmpty())
        drawBar();
    write(m_err, QStringLiteral("\n"));
    m_barWidth = 0;
}

} // namespace cli
