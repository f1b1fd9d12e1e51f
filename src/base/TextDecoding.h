#pragma once

#include <QByteArray>
#include <QString>

// How the bytes of a text file are turned into characters, and back.
//
// The program's own text is GBK. Other programs also hand us UTF-8 with a BOM
// (Excel's "CSV UTF-8", Notepad's "UTF-8"), UTF-16 with a BOM (Notepad's
// "Unicode") and UTF-8 without one. Valid UTF-8 is no evidence by itself:
// many short GBK texts are valid UTF-8 too (小谢 is D0A1 D0BB, which UTF-8
// reads as "Сл"), so a file is never taken for UTF-8 merely because it can be
// read as UTF-8.
enum class TextEncoding { Gbk, Utf8, Utf8Bom, Utf16Le, Utf16Be };

namespace TextDecoding {

// The files the program keeps (settings and definition files): a BOM decides
// (UTF-8, UTF-16 LE or BE); without one the text is GBK whenever the bytes are
// valid GBK, UTF-8 only when they cannot be GBK but are valid UTF-8. False when
// the bytes are neither, or hold NUL bytes without a UTF-16 BOM: the file is
// not text this program can read, and `text` is then empty.
bool DecodeSettings(const QByteArray& bytes, QString& text, TextEncoding& encoding);

// Files a user brings (CSV imports, hand-edited page files), which may come
// from anywhere: a BOM decides; otherwise the whole file is read both as GBK
// and as UTF-8, the reading that gives the more plausible text wins, and a
// character-set detector (uchardet) over the whole file breaks a tie.
// False, with `error` saying so in Chinese, when the bytes are no text: NUL
// bytes without a UTF-16 BOM, or more than one character in fifty
// undecodable or a control character (a picture, an archive, a
// spreadsheet's binary format).
bool DecodeUserFile(const QByteArray& bytes, QString& text, TextEncoding& encoding, QString& error);

// The file bytes of `text` in `encoding`, with the BOM those encodings carry.
QByteArray Encode(const QString& text, TextEncoding encoding);

} // namespace TextDecoding
