#pragma once

// What a user sees of the program, as plain text for the records checked in under tests/records:
// a window as one line for itself, one per menu and menu item and one per widget, sorted so that
// the lines do not depend on how the window was built; a message box as one line. A deliberate
// change of what the user sees is then one reviewed diff of a record.

#include "ui/Prompts.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace platform {
struct MessageBoxRequest;
struct InputBoxRequest;
} // namespace platform

namespace testing_support {

QStringList describeWindow(const QWidget *window);
// The box as the real dialog shows it: icon, title, buttons (the default in brackets), text.
QString describeBox(const Prompt &prompt);
QString describeInputBox(const QString &title, const QString &label);

// A checked-in record: tests/records/<name>.
QString recordPath(const QString &name);
// "" when the text equals the record, else the difference as `diff -u` prints it. With
// KOVARA_UPDATE_SNAPSHOT=1 the record is rewritten with the text instead, and "" returned.
QString compareWithRecord(const QString &name, const QString &text);

// Adds a shown box to the collection of the boxes the suite's run showed
// (build/<preset>/message-boxes).
void collectBox(const QString &line);
// Marks every test this process runs as run (message-boxes/ran/Suite.Name), so that the record's
// check knows whether the whole suite ran and may require every recorded box to be shown.
void markTestsRun();

} // namespace testing_support
