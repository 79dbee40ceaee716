#include "app/AppLog.h"

Q_LOGGING_CATEGORY(lcWizard, "kovara.wizard")
Q_LOGGING_CATEGORY(lcForms, "kovara.forms")
