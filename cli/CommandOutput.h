#pragma once

// What the command line shows while it works and how it ends. Progress and messages go to the
// error stream: on a terminal one bar redrawn in place, otherwise a plain line at each new phase
// and each tenth of the way; --quiet keeps only a failure. The result goes to the output stream
// as one line of words (a failure's words go to the error stream), or with --json as one JSON
// object in every case. Both streams take UTF-8.

#include "cli/CommandLine.h"
#include "platform/SerialPort.h"

#include <QJsonObject>
#include <QString>

class QIODevice;

namespace cli {

class CommandOutput
{
public:
    struct Options
    {
        bool terminal = false; // the error stream is a terminal: the bar is redrawn in place
        bool quiet = false;
        bool json = false;
    };

    CommandOutput(QIODevice &out, QIODevice &err, Options options);

    // What the command does now, as a line of its own.
    void say(const QString &text);
    // The line under the bar ("Programming block 37 of 512, about 53 s left"), and how far.
    // phase: a number that names the phase of the work; the plain output writes a line at each
    // new one.
    void progress(int phase, const QString &line, qint64 value, qint64 maximum);
    // Several scales at once: a line each, below what was said. On a terminal each is redrawn in
    // place (the cursor moved up to it and back with ESC [ n A and ESC [ n B); otherwise a plain
    // line is written at each new phase and each tenth of the way of a scale.
    void beginLines(const QStringList &lines);
    // Line index says text now; phase and percent (-1 while there is none) tell its progress.
    void line(int index, int phase, int percent, const QString &text);
    // Ends the output: text (its lines as they are; a box's CR breaks become spaces) and, with
    // --json, fields.
    void finish(ExitCode code, const QString &text, QJsonObject fields = {});

private:
    void write(QIODevice &device, const QString &text);
    void drawBar();
    // A line as a terminal shows it without wrapping.
    QString fitted(const QString &text) const;
    void endBar();

    QIODevice &m_out;
    QIODevice &m_err;
    const Options m_options;
    int m_barWidth = 0;   // of the bar's line last drawn; 0 when no bar is on the line
    QString m_barMoved;   // what it showed of the work's progress
    QString m_barPending; // its line, when not drawn yet

    // A line of progress: the bar's, or a scale's of several.
    struct Line
    {
        QString moved; // what it showed of its progress
        int width = 0; // drawn on a terminal
        int phase = 0;
        int tenth = -1;

        // The plain output's rule: true at a new phase or a new tenth of the way, which the line
        // then shows.
        bool movesOn(int newPhase, int newTenth)
        {
            if (newPhase == phase && newTenth == tenth)
                return false;
            phase = newPhase;
            tenth = newTenth;
            return true;
        }
    };
    Line m_plainBar; // the bar's progress as plain lines show it
    QList<Line> m_lines;
    int m_linesBelow = 0; // written under the lines on a terminal since they were drawn
};

// What a command that lists shows: its words, a line an item, and its --json fields.
struct Listing
{
    QString words;
    QJsonObject fields;
};

// The serial ports, with the device beside a name that does not already say it.
Listing portListing(const QList<platform::SerialPortInfo> &ports);

// A box's text for the terminal: its CR line breaks become spaces.
QString oneLine(const QString &text);

} // namespace cli
