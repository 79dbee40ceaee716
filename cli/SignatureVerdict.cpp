#include "cli/SignatureVerdict.h"

#include <QCoreApplication>
#include <QJsonObject>

namespace cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cli::SignatureVerdict", text);
}

} // namespace

SignatureVerdict judgeSignature(const core::SignatureCheck &signature, bool allowUnsigned)
{
    using Outcome = core::SignatureCheck::Outcome;
    SignatureVerdict verdict;
    switch (signature.outcome) {
    case Outcome::Signed:
        verdict.goesOn = true;
        verdict.words
            = tr("The update file carries Kovara's signature (key %1).").arg(signature.keyId);
        verdict.json = QJsonObject {{QStringLiteral("key"), signature.keyId},
                                    {QStringLiteral("comment"), signature.comment}};
        return verdict;
    case Outcome::Unsigned:
        verdict.goesOn = allowUnsigned;
        verdict.words = allowUnsigned
            ? tr("The update file carries no signature; going on, as --allow-unsigned asks.")
            : tr("This update file does not carry Kovara's signature, so nothing shows that it "
                 "comes from Kovara. Give --allow-unsigned only if Kovara's support told you to "
                 "use this file.");
        verdict.json = QJsonValue::Null;
        return verdict;
    default:
        verdict.words = tr("Update File Refused: %1").arg(core::refusalText(signature.outcome));
        return verdict;
    }
}

} // namespace cli
