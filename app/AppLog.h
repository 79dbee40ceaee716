#pragma once

// The wizard's log categories, one home each: "kovara.wizard" for what the flow decides and does,
// "kovara.forms" for the windows shown and closed and the questions asked.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWizard)
Q_DECLARE_LOGGING_CATEGORY(lcForms)
