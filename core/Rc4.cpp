#include "core/Rc4.h"

#include "core/Hex.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

Rc4::Rc4(QObject *parent)
    : QObject(parent)
{ }

void Rc4::Key(const QByteArray &New_Value)
{
    // An empty key would leave nothing to schedule with: the current key stays.
    if (New_Value.isEmpty() || New_Value == m_key)
        return;
    m_key = New_Value;
    const auto *k = reinterpret_cast<const std::uint8_t *>(m_key.constData());
    const qsizetype length = m_key.size();
    for (int a = 0; a < 256; ++a)
        m_state[a] = static_cast<std::uint8_t>(a);
    std::uint8_t b = 0;
    for (int a = 0; a < 256; ++a) {
        b = static_cast<std::uint8_t>(b + m_state[a] + k[a % length]);
        std::swap(m_state[a], m_state[b]);
    }
}

void Rc4::EncryptByte(QByteArray &byteArray, const QByteArray &Key)
{
    this->Key(Key);
    std::array<std::uint8_t, 256> w = m_state;
    std::uint8_t i = 0;
    std::uint8_t j = 0;
    const qint64 n = byteArray.size();
    auto *data = reinterpret_cast<std::uint8_t *>(byteArray.data());
    qint64 current = 0;
    qint64 next = 0;
    for (qint64 o = 0; o < n; ++o) {
        i = static_cast<std::uint8_t>(i + 1);
        j = static_cast<std::uint8_t>(j + w[i]);
        std::swap(w[i], w[j]);
        data[o] ^= w[static_cast<std::uint8_t>(w[i] + w[j])];
        if (o >= next) {
            current = o * 100 / n;
            // ((current + 1) / 100) * n + 1, rounded half to even, in exact integers.
            const qint64 numerator = (current + 1) * n + 100;
            qint64 quotient = numerator / 100;
            const qint64 remainder = numerator % 100;
            if (remainder > 50 || (remainder == 50 && (quotient % 2) != 0))
                ++quotient;
            next = quotient;
            Q_EMIT Progress(static_cast<int>(current));
        }
    }
    if (current != 100)
        Q_EMIT Progress(100);
}

void Rc4::DecryptByte(QByteArray &byteArray, const QByteArray &Key)
{
    EncryptByte(byteArray, Key);
}

QByteArray Rc4::EncryptString(const QByteArray &Text, const QByteArray &Key, bool OutputInHex)
{
    QByteArray bytes = Text;
    EncryptByte(bytes, Key);
    return OutputInHex ? EnHex(bytes) : bytes;
}

QByteArray Rc4::DecryptString(QByteArray &Text, const QByteArray &Key, bool IsTextInHex)
{
    if (IsTextInHex)
        Text = DeHex(Text);
    QByteArray bytes = Text;
    DecryptByte(bytes, Key);
    return bytes;
}

bool Rc4::EncryptFile(const QString &InFile,
                      const QString &OutFile,
                      bool Overwrite,
                      const QByteArray &Key)
{
    return cipherFile(InFile, OutFile, Overwrite, Key);
}

bool Rc4::DecryptFile(const QString &InFile,
                      const QString &OutFile,
                      bool Overwrite,
                      const QByteArray &Key)
{
    return cipherFile(InFile, OutFile, Overwrite, Key);
}

bool Rc4::cipherFile(const QString &InFile,
                     const QString &OutFile,
                     bool Overwrite,
                     const QByteArray &Key)
{
    if (!FileExist(InFile))
        return false;
    if (FileExist(OutFile) && !Overwrite)
        return false;
    QFile in(InFile);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = in.readAll();
    if (bytes.isEmpty() || bytes.size() != in.size())
        return false;
    in.close();
    EncryptByte(bytes, Key);
    // Written beside the target and renamed over it, so a full disk leaves the old file whole.
    QSaveFile out(OutFile);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

QByteArray Rc4::EnHex(const QByteArray &text)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray result;
    result.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        result.append(digits[byte >> 4]);
        result.append(digits[byte & 0x0F]);
    }
    return result;
}

QByteArray Rc4::DeHex(const QByteArray &text)
{
    QByteArray result;
    result.reserve((text.size() + 1) / 2);
    for (qsizetype at = 0; at < text.size(); at += 2) {
        // Reading stops at the first character that is not a hex digit; no digits read as 0.
        int value = 0;
        for (qsizetype k = at; k < at + 2 && k < text.size(); ++k) {
            const int digit = core::hexDigitValue(text.at(k));
            if (digit < 0)
                break;
            value = value * 16 + digit;
        }
        result.append(static_cast<char>(value));
    }
    return result;
}

bool Rc4::FileExist(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}
