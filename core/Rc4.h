#pragma once

// The RC4 stream cipher (ARC4) on byte arrays, byte strings and whole files. The query protocol
// enciphers every statement and deciphers every reply with it.
//
// Texts are byte strings: one byte per character. A key given to any call stays the object's key
// for later calls; an empty key leaves the current one. Every call starts a fresh keystream from
// the key schedule, so two calls with the same key use the same keystream. The key schedule runs
// only when the key changes. A new object (no key yet) has an all-zero state, whose keystream is
// all zeros: it leaves data unchanged.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

class Rc4 final : public QObject
{
    Q_OBJECT
public:
    explicit Rc4(QObject *parent = nullptr);

    // Enciphers (deciphers) the whole of InFile into OutFile. False when InFile is missing or
    // empty, when OutFile exists and Overwrite is false, or when reading or writing fails.
    // OutFile is replaced in one step: a failure never leaves it half written.
    bool EncryptFile(const QString &InFile,
                     const QString &OutFile,
                     bool Overwrite,
                     const QByteArray &Key = {});
    bool DecryptFile(const QString &InFile,
                     const QString &OutFile,
                     bool Overwrite,
                     const QByteArray &Key = {});

    // Deciphers the array in place.
    void DecryptByte(QByteArray &byteArray, const QByteArray &Key = {});
    // The enciphered text, raw (one character per byte) or as upper-case hexadecimal.
    QByteArray
    EncryptString(const QByteArray &Text, const QByteArray &Key = {}, bool OutputInHex = false);
    // The deciphered text. With IsTextInHex, Text is first read as hexadecimal and the caller's
    // variable receives the decoded bytes.
    QByteArray
    DecryptString(QByteArray &Text, const QByteArray &Key = {}, bool IsTextInHex = false);
    // Enciphers the array in place, raising Progress as it goes.
    void EncryptByte(QByteArray &byteArray, const QByteArray &Key = {});
    // Makes New_Value the current key; an empty text is ignored.
    void Key(const QByteArray &New_Value);

Q_SIGNALS:
    // 0 ... 99 as the work passes each percent of the array, then 100 once at the end.
    void Progress(int Percent);

private:
    bool cipherFile(const QString &InFile,
                    const QString &OutFile,
                    bool Overwrite,
                    const QByteArray &Key);
    static QByteArray EnHex(const QByteArray &text);
    static QByteArray DeHex(const QByteArray &text);
    static bool FileExist(const QString &path);

    QByteArray m_key;
    std::array<std::uint8_t, 256> m_state {};
};
