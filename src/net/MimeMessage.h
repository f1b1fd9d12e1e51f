#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

// One part of a received message: its header fields and its undecoded body;
// a multipart part holds its parts instead.
struct MimePart {
    // Header fields in order, names as written, values unfolded and undecoded.
    QList<QPair<QByteArray, QByteArray>> fields;
    // "text/plain" when the part says nothing (RFC 2045 5.2), lower case.
    QByteArray mimeType = "text/plain";
    // The Content-Type parameters, names lower case, values unquoted and
    // decoded (RFC 2231 continuations and charsets joined).
    QMap<QByteArray, QString> typeParams;
    QByteArray transferEncoding; // lower case, empty for 7bit
    QByteArray disposition;      // "attachment", "inline" or empty
    QString fileName;            // decoded, empty when none is given
    QByteArray body;             // as it stands in the message
    QList<MimePart> parts;       // of a multipart

    // The first field of this name (any case), or an empty array.
    QByteArray Field(const QByteArray& name) const;
    // The body with its Content-Transfer-Encoding undone.
    QByteArray Decoded() const;
    // The decoded body as text in its charset (us-ascii/latin-1 when none).
    QString Text() const;
    bool IsMultipart() const { return mimeType.startsWith("multipart/"); }
    // An attachment: said so, or named, or neither text nor multipart.
    bool IsAttachment() const;
};

// A received message (RFC 5322 / MIME) read as far as the program shows it:
// sender, subject, date, the text body and the attachments. Encoded words
// (RFC 2047, base64 and quoted-printable) and the common Chinese character
// sets (GBK, GB2312, GB18030) as well as UTF-8 are decoded; a name the
// message does not label is read as UTF-8 when valid, else GBK, as Chinese
// mailers send them. Anything it does not understand is kept as it stands
// rather than refused, so a broken message still shows what it can.
class MimeMessage final {
public:
    // Parses a whole raw message (header, blank line, body).
    static MimeMessage Parse(const QByteArray& raw);

    const MimePart& Root() const { return root_; }
    // A header field of the message, encoded words decoded.
    QString Header(const QByteArray& name) const;
    QString Subject() const { return Header("Subject"); }
    // The first address of From: (name decoded; address as written).
    QString SenderName() const { return senderName_; }
    QString SenderAddress() const { return senderAddress_; }
    // The Date: field; invalid when missing or unreadable.
    QDateTime Date() const;
    // The text shown for the message: its HTML part when it has one (IsHtml),
    // else its plain text part, else empty.
    QString BodyText() const;
    bool IsHtml() const;
    // The attachments in the order they appear (not the text bodies).
    QList<const MimePart*> Attachments() const;

    // Text of encoded words (=?charset?B|Q?...?=) with the rest of the
    // value; whitespace between two encoded words is dropped (RFC 2047 6.2).
    static QString DecodeWords(const QByteArray& value);
    // Bytes in the named charset; an empty or unknown name reads UTF-8 when
    // valid, else GBK.
    static QString DecodeCharset(const QByteArray& bytes, const QByteArray& charset);
    static QByteArray DecodeQuotedPrintable(const QByteArray& text, bool headerForm = false);
    // The first address of an address list: display name and address.
    static void SplitAddress(const QByteArray& value, QString& name, QString& address);
    // The addresses of a stored field: separated by "," or ";" (or blanks),
    // lower case, without angle brackets.
    static QStringList AddressList(const QString& field);

private:
    MimePart root_;
    QString senderName_;
    QString senderAddress_;
    const MimePart* html_ = nullptr;
    const MimePart* plain_ = nullptr;
    QList<const MimePart*> attachments_;

    void Collect(const MimePart& part, int depth);
};
