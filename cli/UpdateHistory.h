#pragma once

// The command line's side of the record of every update: the record a run on a scale leaves, and
// the history command's listing of them.

#include "cli/CommandLine.h"
#include "cli/CommandOutput.h"
#include "cli/ScaleBench.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

namespace cli {

// The record of a run on a scale, from the command's result fields ("serial", "port", "file",
// "sha256", "signature", "seconds") and how it ended.
QJsonObject historyRecord(const QJsonObject &fields,
                          ExitCode code,
                          const QString &message,
                          int retries,
                          const QDateTime &endedAt);

// Appends the record of a run to the history file at path.
void recordRun(const QString &path,
               const QJsonObject &fields,
               ExitCode code,
               const QString &message,
               int retries);

// Appends the record of one scale of several updated at once, once its run began and ended;
// fields: what the scales share.
void recordScale(const QString &path, const QJsonObject &fields, const BenchScale &scale);

// The records of the history file at path (oldest first, "records" and, when lines were skipped,
// "skipped" in --json), those of scale serial only when it is given.
Listing historyListing(const QString &path, const QString &serial);

} // namespace cli
