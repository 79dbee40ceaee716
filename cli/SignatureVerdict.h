#pragma once

// What the command line makes of an update file's signature: whether the update goes on, what it
// says, and what --json shows as "signature".

#include "core/UpdateSignature.h"

#include <QJsonValue>
#include <QString>

namespace cli {

struct SignatureVerdict
{
    bool goesOn = false;
    // Said on the way when it goes on; the refusal's message (status 7) when it does not.
    QString words;
    // {"key": ID, "comment": TEXT}, null without a signature, undefined for one that does not
    // hold.
    QJsonValue json = QJsonValue::Undefined;
};

SignatureVerdict judgeSignature(const core::SignatureCheck &signature, bool allowUnsigned);

} // namespace cli
